// Placeholder bodies; the recording unit replaces them.
#include "Recorder.h"

int RateFps(int rate, int otherFps) { return rate == kRateBest ? 15 : rate == kRateGood ? 5 : rate == kRateOther ? otherFps : 10; }
bool IsTimeLapseUnit(const char*) { return false; }
DWORD TimeLapseSeconds(DWORD count, const char*) { return count; }
CRecorder::CRecorder(CRecorderHost& host) : m_host(host) {}
CRecorder::~CRecorder() = default;
void CRecorder::ApplySettings() {}
void CRecorder::Toggle() {}
void CRecorder::OnStop() {}
void CRecorder::StopCapture(BOOL) {}
void CRecorder::OnCaptureError() {}
void CRecorder::OnNormalRate() {}
void CRecorder::OnBestRate() {}
void CRecorder::OnGoodRate() {}
void CRecorder::OnOtherRate() {}
void CRecorder::OnSingleFrame() {}
void CRecorder::OnTimeLapse() {}
void CRecorder::OnCaptureAudio() {}
void CRecorder::OnAudioFormat() {}
BOOL CRecorder::CanRecord() const { return FALSE; }
BOOL CRecorder::CanStop() const { return FALSE; }
BOOL CRecorder::CanChangeMode() const { return FALSE; }
BOOL CRecorder::CanToggleAudio() const { return FALSE; }
BOOL CRecorder::CanChooseAudioFormat() const { return FALSE; }
BOOL CRecorder::AudioChecked() const { return FALSE; }
void CRecorder::MTimerUserOnTimer(void*) {}
