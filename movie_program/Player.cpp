// Placeholder bodies; the playback unit replaces them.
#include "Player.h"

CPlayer::CPlayer(CPlayerHost& host) : m_host(host) {}
CPlayer::~CPlayer() = default;
void CPlayer::OpenForPlayback(const CString&) {}
void CPlayer::CloseWindow() { m_window.reset(); }
void CPlayer::OnOpen() {}
void CPlayer::OnClose() {}
void CPlayer::OnPlay() {}
void CPlayer::OnStop() {}
void CPlayer::OnSpace() {}
BOOL CPlayer::SaveAs() { return FALSE; }
void CPlayer::OnCopy() {}
BOOL CPlayer::HasMovie() const { return m_window && m_window->Length() > 0; }
void CPlayer::LayOut(const CRect&) {}
void CPlayer::AbortCompression() {}
void CPlayer::OnStartCompression() {}
