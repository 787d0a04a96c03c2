// Auto capture on the whole program: the test-pattern camera, the fake clock,
// real files.
#include "snapvo_test_util.h"

#include "gdi/DibView.h"
#include "resource.h"
#include "scoped_time_zone.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

using namespace snapvo_test;

namespace {

constexpr WORD kMonday = 1 << 1;

int SeriesFiles(const std::filesystem::path& folder)
{
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        n += name.rfind("Series", 0) == 0 && entry.path().extension() == ".bmp";
    }
    return n;
}

// Whole: the BMP headers agree with the bytes there. A missing file counts as
// whole (there is no latest image before the first picture).
bool WholeOrAbsent(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return true;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DibView dib;
    if (ViewBmpFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), dib) != DibCheck::Ok)
        return false;
    uint32_t declared = 0;
    std::memcpy(&declared, bytes.data() + 2, sizeof declared);
    return declared == bytes.size();
}

// A folder in memory where the system has one: every picture is flushed to
// disk before it is renamed into place, and thousands of flushes to a real
// disk would make a day's run take minutes.
class MemoryFolder {
public:
    MemoryFolder()
    {
        const std::filesystem::path shm = "/dev/shm";
        const auto base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        m_path = base / UniqueName("snapvo-day");
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~MemoryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Reads the latest image again and again on its own thread, as a web server
// publishing it would, while the program writes it.
class LatestImageReader {
public:
    explicit LatestImageReader(std::filesystem::path path) : m_path(std::move(path)), m_thread([this] { Run(); }) {}
    ~LatestImageReader() { Stop(); }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int Reads() const { return m_reads; }
    int Partial() const { return m_partial; }

private:
    void Run()
    {
        while (!m_stop) {
            ++m_reads;
            if (!WholeOrAbsent(m_path))
                ++m_partial;
            // Often enough to fall inside many writes, without taking a core.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    std::filesystem::path m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_reads{0};
    std::atomic<int> m_partial{0};
    std::thread m_thread;
};

TEST_F(SnapvoFixture, AutoCaptureToTheFilmRollGoesOnWithASixteenGreyCamera)
{
    ASSERT_TRUE(Start());
    SetCameraBits(4);
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFilmroll;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    EXPECT_EQ(RollEntries(), 1);
    clock->Advance(20000);
    EXPECT_EQ(RollEntries(), 3);
    EXPECT_TRUE(View()->IsStepTimerRunning());
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(SnapvoFixture, AMondayOfAutoCaptureEveryTenSecondsFromNineToFiveWritesEveryPictureWhole)
{
    ScopedTimeZone berlin("Europe/Berlin");
    const CTime monday(2026, 3, 23, 0, 0, 0);
    ASSERT_EQ(monday.GetDayOfWeek(), 2) << "time zone rules or calendar are off";
    clock->SetCurrentTime(monday.GetTime());
    ASSERT_TRUE(Start());
    SetCameraBits(8);
    CAutoCaptureSchedule& s = View()->m_schedule;
    s.SelectPreset(0);   // 10 seconds
    s.otherEnabled = TRUE;
    s.days = kMonday;
    s.allDay = FALSE;
    s.begin = CTime(2026, 3, 23, 9, 0, 0);
    s.end = CTime(2026, 3, 23, 17, 0, 0);
    s.useEnd = FALSE;
    s.fileSeries = TRUE;
    const MemoryFolder pictures;
    const auto latest = pictures.Path() / "latest.bmp";
    s.latestImageName = latest.c_str();
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFile;

    LatestImageReader reader(latest);
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance((9 * 3600 - 1) * 1000);   // 08:59:59
    EXPECT_EQ(SeriesFiles(pictures.Path()), 0);
    EXPECT_FALSE(std::filesystem::exists(latest));
    clock->Advance(1000);   // 09:00:00, the window opens: the first picture
    EXPECT_EQ(SeriesFiles(pictures.Path()), 1);
    // Checked between every two pictures, besides the reader's own polling.
    int torn = 0;
    for (int i = 0; i < 8 * 360; ++i) {
        clock->Advance(10000);
        torn += !WholeOrAbsent(latest);
    }
    // 17:00:00 still belongs to the window: every 10 s from 09:00:00 to
    // 17:00:00 inclusive is 8 h * 360 + 1 pictures.
    EXPECT_EQ(SeriesFiles(pictures.Path()), 8 * 360 + 1);
    clock->Advance(7 * 3600 * 1000);   // to midnight: the window stays shut
    reader.Stop();
    EXPECT_EQ(SeriesFiles(pictures.Path()), 8 * 360 + 1);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(reader.Partial(), 0);
    EXPECT_GT(reader.Reads(), 0);
    EXPECT_TRUE(View()->IsStepTimerRunning());
    EXPECT_TRUE(ui->boxes.empty());
}

}  // namespace
