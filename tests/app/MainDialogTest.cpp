#include "DialogHost.h"

#include "app/MainDialog.h"
#include "app/window/PrivateMessages.h"
#include "job/Cancellation.h"
#include "res/ResourceIds.h"
#include "support/OpenRecord.h"
#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>

namespace {

using driver::Duration;

// Long enough for a message box to appear if one were going to.
constexpr Duration quietPeriod{700};

LOGFONTW FontOf(HWND window) {
    LRESULT font = 0;
    EXPECT_TRUE(driver::SendWithin(window, WM_GETFONT, 0, 0, Duration{5000}, &font));
    LOGFONTW description = {};
    EXPECT_NE(0, GetObjectW(reinterpret_cast<HFONT>(font), sizeof(description), &description));
    return description;
}

std::wstring Catalogue(UINT id) {
    return MStringEx<wchar_t>::FromResource(id).data;
}

bool IsSignalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEvent(cancelEvent);
        ASSERT_NE(nullptr, host.Dialog()) << "the main dialog did not appear";
    }

    void TearDown() override { ResetEvent(cancelEvent); }

    std::optional<driver::MessageBoxView> WaitForBox(Duration timeout = driver::defaultTimeout) {
        return driver::WaitForMessageBox(host.ThreadWindows(), timeout);
    }

    void ExpectNoBox() {
        EXPECT_FALSE(WaitForBox(quietPeriod).has_value()) << "a message box appeared";
    }

    // The cancel question, answered with the given button.
    void AnswerQuestion(int button) {
        const std::optional<driver::MessageBoxView> question = WaitForBox();
        ASSERT_TRUE(question.has_value()) << "no question";
        EXPECT_EQ(question->caption, L"Veltrane Tornquill");
        EXPECT_EQ(question->text, Catalogue(IDS_CANCEL_QUESTION));
        EXPECT_NE(nullptr, GetDlgItem(question->window, IDYES));
        EXPECT_EQ(GetWindowLongW(GetDlgItem(question->window, IDNO), GWL_STYLE) & BS_TYPEMASK,
                  BS_DEFPUSHBUTTON)
            << "No is the default answer";
        ASSERT_TRUE(driver::Answer(*question, button));
    }

    void ExpectOpen() { EXPECT_TRUE(IsWindowVisible(host.Dialog())) << "the dialog has ended"; }

    DialogHost host;
};

TEST_F(MainDialogTest, CaptionAndIconsComeFromTheProgramsOwnResources) {
    EXPECT_EQ(driver::TextOf(host.Dialog()), L"Veltrane Tornquill");
    for (const WPARAM size : {ICON_BIG, ICON_SMALL}) {
        LRESULT icon = 0;
        ASSERT_TRUE(driver::SendWithin(host.Dialog(), WM_GETICON, size, 0, Duration{5000}, &icon));
        EXPECT_EQ(reinterpret_cast<HICON>(icon), appIcon.Get());
    }

    const HWND iconView = host.Control(IDC_ICON_VIEW);
    EXPECT_EQ(driver::TextOf(iconView), L"");
    EXPECT_EQ(GetWindowLongW(iconView, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    LRESULT shown = 0;
    ASSERT_TRUE(driver::SendWithin(iconView, STM_GETICON, 0, 0, Duration{5000}, &shown));
    EXPECT_EQ(reinterpret_cast<HICON>(shown), appIcon.Get());
    const RECT iconRect = driver::WindowRect(iconView);
    EXPECT_EQ(iconRect.right - iconRect.left, 48);
    EXPECT_EQ(iconRect.bottom - iconRect.top, 48);
}

TEST_F(MainDialogTest, TheRunsTextsStartEmptyAndTheBarAtZeroOutOf5000) {
    EXPECT_EQ(driver::ControlText(host.Dialog(), IDC_CAPTION_LABEL), L"Downloading:");
    for (const int id : {IDC_OS_LABEL, IDC_TOTAL_LABEL, IDC_BYTE_COUNT_LABEL}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(driver::ControlText(host.Dialog(), id), L"");
    }
    const HWND bar = host.Control(IDC_PROGRESS_BAR);
    PBRANGE range = {-1, -1};
    ASSERT_TRUE(driver::SendWithin(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range),
                                   Duration{5000}));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 5000);
    LRESULT position = -1;
    ASSERT_TRUE(driver::SendWithin(bar, PBM_GETPOS, 0, 0, Duration{5000}, &position));
    EXPECT_EQ(position, 0);
}

TEST_F(MainDialogTest, LabelsGetTheirFontsFromTheDialogFont) {
    const LOGFONTW dialogFont = FontOf(host.Dialog());
    ASSERT_LT(dialogFont.lfHeight, 0) << "the dialog font is given by its character height";
    struct Row {
        int id;
        LONG height;
        LONG weight;
    };
    const Row rows[] = {
        {IDC_CAPTION_LABEL, dialogFont.lfHeight - 2, FW_BOLD},
        {IDC_OS_LABEL, dialogFont.lfHeight - 4, FW_BOLD},
        {IDC_THANKS_LABEL, dialogFont.lfHeight + 1, FW_NORMAL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const LOGFONTW font = FontOf(host.Control(row.id));
        EXPECT_EQ(font.lfHeight, row.height);
        EXPECT_EQ(font.lfWeight, row.weight);
        EXPECT_FALSE(font.lfItalic);
        EXPECT_FALSE(font.lfUnderline);
        EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(dialogFont.lfFaceName));
    }
    EXPECT_EQ(FontOf(host.Control(IDC_TOTAL_LABEL)).lfHeight, dialogFont.lfHeight)
        << "the other labels keep the dialog font";
}

TEST_F(MainDialogTest, IsCentredOnThePrimaryWorkArea) {
    RECT workArea = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    const RECT rect = driver::WindowRect(host.Dialog());
    EXPECT_EQ(rect.left, (workArea.left + workArea.right) / 2 - (rect.right - rect.left) / 2);
    EXPECT_EQ(rect.top, (workArea.top + workArea.bottom) / 2 - (rect.bottom - rect.top) / 2);
}

TEST_F(MainDialogTest, AsksForTheRunOnceWhenShown) {
    EXPECT_TRUE(driver::WaitUntil([&] { return host.StartRequests() == 1; }));
    Sleep(static_cast<DWORD>(quietPeriod.count()));
    EXPECT_EQ(host.StartRequests(), 1);
}

TEST_F(MainDialogTest, EscapeDoesNothing) {
    PostMessageW(host.Control(IDC_CANCEL_BUTTON), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(host.Dialog(), WM_COMMAND, IDCANCEL, 0);
    ExpectNoBox();
    ExpectOpen();
    EXPECT_FALSE(IsSignalled(cancelEvent));
}

TEST_F(MainDialogTest, TheCloseBoxAsksAndNoLeavesEverythingAsItWas) {
    PostMessageW(host.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    AnswerQuestion(IDNO);
    ExpectNoBox();
    ExpectOpen();
    EXPECT_FALSE(IsSignalled(cancelEvent));
}

TEST_F(MainDialogTest, CancelAsksTheSameQuestionAndYesSignalsTheWorker) {
    ASSERT_TRUE(driver::PressButton(host.Dialog(), IDC_CANCEL_BUTTON));
    AnswerQuestion(IDYES);
    ExpectOpen();
    EXPECT_TRUE(IsSignalled(cancelEvent));
}

TEST_F(MainDialogTest, TwoConfirmationsCountAsOne) {
    ASSERT_TRUE(driver::PressButton(host.Dialog(), IDC_CANCEL_BUTTON));
    AnswerQuestion(IDYES);
    PostMessageW(host.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    AnswerQuestion(IDYES);
    EXPECT_TRUE(IsSignalled(cancelEvent));
    EXPECT_FALSE(IsSignalled(cancelEvent)) << "the first look took the only confirmation";
}

TEST_F(MainDialogTest, FinishEndsTheDialogWithTheWorkersResultAndDeletesItsFonts) {
    const HFONT created[] = {captionFont.Font(), osFont.Font(), thanksFont.Font()};
    for (const HFONT font : created) {
        ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    }
    PostMessageW(host.Dialog(), UM_FINISH, 0xABCD0007, 0);
    EXPECT_EQ(host.WaitForEnd(), 7);
    EXPECT_FALSE(IsWindow(host.Dialog()));
    for (const HFONT font : created) {
        EXPECT_EQ(GetObjectType(font), 0u) << "a font of the labels was left behind";
    }
}

// The web-address association is shared by the whole prefix.
TEST_F(MainDialogTest, GoToWebsiteOpensTheDownloadPageAndNothingElse) {
    const driver::OpenRecord record;
    ASSERT_TRUE(record.IsReady());
    ASSERT_TRUE(driver::PressButton(host.Dialog(), IDC_WEBSITE_BUTTON));
    ASSERT_TRUE(record.WaitForLines(1)) << "nothing was opened";
    const std::vector<std::wstring> lines = record.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"\"" + Catalogue(IDS_DOWNLOAD_PAGE) + L"\""), std::wstring::npos)
        << testing::PrintToString(lines[0]);
    ExpectNoBox();
    ExpectOpen();
    EXPECT_FALSE(IsSignalled(cancelEvent));
}

} // namespace
