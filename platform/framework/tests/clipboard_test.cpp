// The clipboard of both UI services: a picture and data under a MIME type put
// on one after the other must be offered together, as one copy, to whoever
// pastes, and a new copy must not carry anything of the one before.
#include "framework/QtUiService.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr char kMovieType[] = "video/x-msvideo";
constexpr char kOtherType[] = "application/x-velmora-test";

// A 2x2 24-bit packed DIB: header and two padded bottom-up rows.
std::vector<BYTE> SmallDib()
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    h.biSizeImage = 16;
    std::vector<BYTE> dib(sizeof h + h.biSizeImage, 0x80);
    std::memcpy(dib.data(), &h, sizeof h);
    return dib;
}

std::vector<BYTE> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class ClipboardTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (GetParam()) {
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
            m_service = std::make_unique<QtUiService>();
        } else {
            m_service = std::make_unique<TestUiService>();
        }
        ASSERT_TRUE(ui().EmptyClipboard());
    }
    void TearDown() override
    {
        m_service.reset();
        m_app.reset();
    }
    UiService& ui() { return *m_service; }
    bool IsQt() const { return GetParam(); }

    void SetData(const char* mime, const std::string& text)
    {
        ASSERT_TRUE(ui().SetClipboardData(mime, text.data(), text.size())) << mime;
    }
    std::vector<BYTE> Data(const char* mime)
    {
        std::vector<BYTE> data;
        return ui().GetClipboardData(mime, data) ? data : Bytes("<none>");
    }
    bool HasPicture()
    {
        std::vector<BYTE> dib;
        return ui().GetClipboardDib(dib) && dib.size() > sizeof(BITMAPINFOHEADER);
    }

private:
    int m_argc = 1;
    char m_name[16] = "clipboard_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<UiService> m_service;
};

TEST_P(ClipboardTest, APictureAndDataPutOneAfterTheOtherAreOfferedTogether)
{
    const std::vector<BYTE> dib = SmallDib();
    ASSERT_TRUE(ui().SetClipboardDib(dib.data(), dib.size()));
    SetData(kMovieType, "RIFF one");
    SetData(kOtherType, "second");
    EXPECT_TRUE(HasPicture());
    EXPECT_EQ(Data(kMovieType), Bytes("RIFF one"));
    EXPECT_EQ(Data(kOtherType), Bytes("second"));

    SetData(kMovieType, "RIFF two");   // the same type again replaces its bytes only
    EXPECT_EQ(Data(kMovieType), Bytes("RIFF two"));
    EXPECT_EQ(Data(kOtherType), Bytes("second"));
    EXPECT_TRUE(HasPicture());
}

TEST_P(ClipboardTest, ANewCopyOrEmptyingDropsTheDataOfTheOneBefore)
{
    const std::vector<BYTE> dib = SmallDib();
    struct Row {
        const char* what;
        std::function<BOOL(UiService&)> next;
    } rows[] = {
        {"picture", [&](UiService& u) { return u.SetClipboardDib(dib.data(), dib.size()); }},
        {"text", [](UiService& u) { return u.SetClipboardText("words"); }},
        {"empty", [](UiService& u) { return u.EmptyClipboard(); }},
    };
    for (const Row& row : rows) {
        SetData(kMovieType, "RIFF");
        ASSERT_TRUE(row.next(ui())) << row.what;
        EXPECT_EQ(Data(kMovieType), Bytes("<none>")) << row.what;
    }
}

TEST_P(ClipboardTest, RefusesDataWithoutAType)
{
    EXPECT_FALSE(ui().SetClipboardData(nullptr, "x", 1));
    EXPECT_FALSE(ui().SetClipboardData("", "x", 1));
    EXPECT_FALSE(ui().SetClipboardData(kMovieType, nullptr, 4));
    std::vector<BYTE> data;
    EXPECT_FALSE(ui().GetClipboardData(nullptr, data));
    EXPECT_FALSE(ui().GetClipboardData(kMovieType, data));
}

// Once another program owns the clipboard, our new data starts a copy of its
// own: it must neither bring our old picture back nor pass the other
// program's words off as part of our copy.
TEST_P(ClipboardTest, DataAfterAnotherProgramsCopyStandsAlone)
{
    if (!IsQt())
        GTEST_SKIP() << "only the Qt clipboard has other programs";
    const std::vector<BYTE> dib = SmallDib();
    ASSERT_TRUE(ui().SetClipboardDib(dib.data(), dib.size()));
    QGuiApplication::clipboard()->setText("someone else's words");
    SetData(kMovieType, "RIFF");
    EXPECT_FALSE(HasPicture());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(Data(kMovieType), Bytes("RIFF"));
}

INSTANTIATE_TEST_SUITE_P(Services, ClipboardTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Qt" : "Scripted"; });

}  // namespace
