#include "app/window/CentredMessageBox.h"
#include "app/window/WindowPlacement.h"

#include "support/MessageBoxAnswerer.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

namespace {

using driver::TestWindow;

RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
    return RECT{left, top, right, bottom};
}

POINT Centre(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ExpectAt(HWND window, POINT position, LONG width, LONG height) {
    const RECT rect = driver::WindowRect(window);
    EXPECT_EQ(rect.left, position.x);
    EXPECT_EQ(rect.top, position.y);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

struct OverCase {
    const char* name;
    RECT reference;
    RECT window;
    POINT expected;
};

TEST(CentredOver, PlacesTheWindowInTheMiddleOfTheReference) {
    const OverCase cases[] = {
        {"square of 500, window 200 x 100", Rect(0, 0, 500, 500), Rect(0, 0, 200, 100), {150, 200}},
        {"odd width truncates its half", Rect(0, 0, 500, 500), Rect(0, 0, 201, 100), {150, 200}},
        {"the window's own position plays no part",
         Rect(0, 0, 500, 500),
         Rect(900, 700, 1100, 800),
         {150, 200}},
        {"offset reference", Rect(100, 50, 700, 450), Rect(0, 0, 200, 100), {300, 200}},
        {"reference left of the screen",
         Rect(-800, -600, -200, -100),
         Rect(0, 0, 100, 50),
         {-550, -375}},
        {"window larger than the reference",
         Rect(0, 0, 100, 100),
         Rect(0, 0, 300, 200),
         {-100, -50}},
        {"inverted rectangles count by their absolute sizes",
         Rect(500, 500, 0, 0),
         Rect(200, 100, 0, 0),
         {650, 700}},
    };
    for (const OverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const POINT position = CentredOver(c.reference, c.window);
        EXPECT_EQ(position.x, c.expected.x);
        EXPECT_EQ(position.y, c.expected.y);
    }
}

TEST(CentredOnArea, UsesTheMiddleOfTheWorkArea) {
    const OverCase cases[] = {
        {"full-HD work area above a taskbar",
         Rect(0, 0, 1920, 1040),
         Rect(0, 0, 619, 230),
         {651, 405}},
        {"secondary monitor to the left",
         Rect(-1280, 0, 0, 1024),
         Rect(0, 0, 400, 300),
         {-840, 362}},
        {"work area below a top taskbar", Rect(0, 40, 1024, 768), Rect(0, 0, 200, 100), {412, 354}},
    };
    for (const OverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const POINT position = CentredOnArea(c.reference, c.window);
        EXPECT_EQ(position.x, c.expected.x);
        EXPECT_EQ(position.y, c.expected.y);
    }
}

TEST(CentreOver, MovesARealWindowOverItsReferenceKeepingItsSize) {
    TestWindow reference(Rect(100, 80, 700, 480));
    TestWindow window(Rect(0, 0, 200, 100));
    CentreOver(reference.Handle(), window.Handle());
    ExpectAt(window.Handle(), {300, 230}, 200, 100);
}

TEST(CentreOver, UsesTheDesktopWhenTheReferenceIsNoWindow) {
    const RECT desktop = driver::WindowRect(GetDesktopWindow());
    TestWindow window(Rect(10, 10, 210, 110));
    TestWindow gone(Rect(0, 0, 50, 50));
    const HWND destroyed = gone.Handle();
    DestroyWindow(destroyed);
    for (HWND reference : {static_cast<HWND>(nullptr), destroyed}) {
        MoveWindow(window.Handle(), 10, 10, 200, 100, TRUE);
        CentreOver(reference, window.Handle());
        ExpectAt(window.Handle(), {Centre(desktop).x - 100, Centre(desktop).y - 50}, 200, 100);
    }
}

TEST(CentreOnPrimaryWorkArea, CentresOnTheWorkAreaOfThePrimaryMonitor) {
    RECT workArea = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    TestWindow window(Rect(0, 0, 619, 230));
    CentreOnPrimaryWorkArea(window.Handle());
    ExpectAt(window.Handle(), {Centre(workArea).x - 309, Centre(workArea).y - 115}, 619, 230);
}

TEST(CentreOnWorkArea, FallsBackToTheDesktopWhenTheMonitorCannotBeRead) {
    const RECT desktop = driver::WindowRect(GetDesktopWindow());
    TestWindow window(Rect(5, 5, 305, 205));
    CentreOnWorkArea(reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x7EAD)), window.Handle());
    ExpectAt(window.Handle(), {Centre(desktop).x - 150, Centre(desktop).y - 100}, 300, 200);
}

// A message box shown on this thread, answered from a driver thread.
class CentredMessageBoxTest : public ::testing::Test {
protected:
    std::optional<driver::AnsweredBox> ShowBox(HWND owner) {
        driver::MessageBoxAnswerer answerer(driver::ThreadWindows(), IDOK);
        result = CentredMessageBox(owner, L"Centred text", L"Centred caption", MB_OK);
        return answerer.Result();
    }

    // A window activated after the box: it stays where it was created unless a hook is left.
    void ExpectNextWindowStaysPut(HWND owner) {
        TestWindow next(Rect(20, 30, 140, 110), owner);
        ExpectAt(next.Handle(), {20, 30}, 120, 80);
    }

    int result = 0;
};

TEST_F(CentredMessageBoxTest, CentresTheBoxOverItsOwnerAndRemovesTheHook) {
    TestWindow owner(Rect(300, 200, 1000, 700));
    const std::optional<driver::AnsweredBox> box = ShowBox(owner.Handle());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(box->view.caption, L"Centred caption");
    EXPECT_EQ(box->view.text, L"Centred text");
    const POINT boxCentre = Centre(box->rect);
    EXPECT_NEAR(boxCentre.x, 650, 1);
    EXPECT_NEAR(boxCentre.y, 450, 1);
    EXPECT_FALSE(centringHookHandle.IsValid());
    ExpectNextWindowStaysPut(owner.Handle());
}

TEST_F(CentredMessageBoxTest, CentresABoxWithoutOwnerOnTheDesktop) {
    const std::optional<driver::AnsweredBox> box = ShowBox(nullptr);
    ASSERT_TRUE(box.has_value());
    const POINT desktopCentre = Centre(driver::WindowRect(GetDesktopWindow()));
    const POINT boxCentre = Centre(box->rect);
    EXPECT_NEAR(boxCentre.x, desktopCentre.x, 1);
    EXPECT_NEAR(boxCentre.y, desktopCentre.y, 1);
    EXPECT_FALSE(centringHookHandle.IsValid());
}

TEST_F(CentredMessageBoxTest, AHookWhoseBoxNeverOpenedIsRemovedByTheNextBox) {
    TestWindow owner(Rect(300, 200, 1000, 700));
    centringHookHandle = SetWindowsHookExW(WH_CBT, CentringHook, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(centringHookHandle.IsValid());
    ASSERT_TRUE(ShowBox(owner.Handle()).has_value());
    EXPECT_FALSE(centringHookHandle.IsValid());
    ExpectNextWindowStaysPut(owner.Handle());
}

} // namespace
