// The control base: the tree, hit testing, positions, focus with hiding and
// showing, painting with child clipping on the phone's screen, and what a
// control leaves behind when it is destroyed.

#include <memory>

#include "platform/kernel/clock.h"
#include "ui_host_fixture.h"

using namespace ovfc_test;

namespace {

using UiTree = PhoneTest;
using UiControl = UiHostTest;

TEST_F(UiTree, ChildListKeepsOrderRefusesDuplicatesAndCyclesAndMovesReparentedControls)
{
    UiLog log;
    RecordingWin root(log, "root", 1, 0, 0, 480, 720);
    RecordingWin other(log, "other", 2, 0, 0, 10, 10);
    std::vector<std::unique_ptr<RecordingWin>> kids;
    std::vector<int> capacities;
    for (int i = 0; i < 12; ++i) {
        kids.push_back(std::make_unique<RecordingWin>(log, "k", 100 + i, i, i, 5, 5));
        EXPECT_TRUE(root.AddChild(kids.back().get()));
        capacities.push_back(root.GetChildCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int> {1, 3, 3, 7, 7, 7, 7, 15, 15, 15, 15, 15}))
        << "a full list grows to 2n + 1";
    ASSERT_EQ(root.GetChildCount(), 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(root.GetChild(i), kids[i].get()) << "growing keeps the order";
    EXPECT_EQ(root.GetChild(-1), nullptr);
    EXPECT_EQ(root.GetChild(12), nullptr);

    EXPECT_FALSE(root.AddChild(kids[3].get()));
    EXPECT_FALSE(root.AddChild(nullptr));
    EXPECT_EQ(root.GetChildCount(), 12);

    // Removal shifts the later ones down in order.
    root.RemoveChild(kids[3].get());
    root.RemoveChild(kids[0].get());
    root.RemoveChild(&other);  // not a child: nothing
    ASSERT_EQ(root.GetChildCount(), 10);
    EXPECT_EQ(root.GetChildCapacity(), 15);
    EXPECT_EQ(root.GetChild(0), kids[1].get());
    EXPECT_EQ(root.GetChild(1), kids[2].get());
    EXPECT_EQ(root.GetChild(2), kids[4].get());
    EXPECT_EQ(kids[3]->GetParent(), nullptr) << "a removed control is in no tree";

    // Adding a control that has another parent moves it.
    EXPECT_TRUE(other.AddChild(kids[5].get()));
    EXPECT_EQ(kids[5]->GetParent(), &other);
    EXPECT_FALSE(root.HasChild(kids[5].get()));
    EXPECT_EQ(root.GetChildCount(), 9);
    EXPECT_EQ(other.GetChild(0), kids[5].get());

    // Direct children and any depth.
    EXPECT_TRUE(root.AddChild(&other));
    EXPECT_TRUE(root.HasChild(&other));
    EXPECT_FALSE(root.HasChild(kids[5].get()));
    EXPECT_TRUE(root.IsAncestorOf(kids[5].get()));
    EXPECT_FALSE(kids[5]->IsAncestorOf(&root));
    EXPECT_FALSE(root.IsAncestorOf(&root));

    // A control cannot go under itself or under its own descendant.
    EXPECT_FALSE(other.AddChild(&other));
    EXPECT_FALSE(kids[5]->AddChild(&root));
    root.SetParent(kids[5].get());
    other.SetParent(&other);
    EXPECT_EQ(root.GetParent(), nullptr);
    EXPECT_EQ(other.GetParent(), &root);
    EXPECT_EQ(kids[5]->GetChildCount(), 0);
}

TEST_F(UiTree, HitTestPrefersTheTopMostAndSkipsHiddenTransparentAndDisabledSubtrees)
{
    UiLog log;
    RecordingWin root(log, "root", 1, 0, 0, 300, 300);
    RecordingWin lower(log, "lower", 2, 0, 0, 100, 100);
    RecordingWin upper(log, "upper", 3, 50, 50, 100, 100);
    RecordingWin inside(log, "inside", 4, 10, 10, 20, 20);
    root.AddChild(&lower);
    root.AddChild(&upper);
    upper.AddChild(&inside);

    EXPECT_EQ(root.HitTest(60, 60), &inside);
    EXPECT_EQ(root.HitTest(90, 90), &upper) << "the one added later is hit";
    EXPECT_EQ(root.HitTest(10, 10), &lower);
    EXPECT_EQ(root.HitTest(149, 149), &upper);
    EXPECT_EQ(root.HitTest(150, 150), &root) << "right and bottom edges are outside";
    EXPECT_EQ(root.HitTest(300, 10), nullptr);
    EXPECT_EQ(root.HitTest(-1, 10), nullptr);

    // A disabled control answers for its children.
    upper.SetEnabled(FALSE);
    EXPECT_EQ(root.HitTest(60, 60), &upper);
    upper.SetEnabled(TRUE);

    // Mouse-transparent: the control and its whole subtree are skipped.
    upper.SetMouseTransparent(TRUE);
    EXPECT_EQ(root.HitTest(60, 60), &lower);
    EXPECT_EQ(root.HitTest(140, 140), &root);
    upper.SetMouseTransparent(FALSE);

    upper.SetVisible(FALSE);
    EXPECT_EQ(root.HitTest(60, 60), &lower);
    root.SetVisible(FALSE);
    EXPECT_EQ(root.HitTest(10, 10), nullptr);
}

TEST_F(UiTree, PositionsSizesAndCoordinates)
{
    UiLog log;
    RecordingWin root(log, "root", 1, 5, 7, 300, 300);
    RecordingWin child(log, "child", 2, 10, 20, 100, 50);
    RecordingWin grandchild(log, "grandchild", 3, 1, 2, 30, 40);
    root.AddChild(&child);
    child.AddChild(&grandchild);

    int x = 0, y = 0;
    grandchild.ToWindow(x, y);
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 29);
    grandchild.ToLocal(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    child.SetPos(1, 2, 3, 4, UIPOS_KEEP_SIZE);
    EXPECT_EQ((std::vector<int> {child.GetX(), child.GetY(), child.GetWidth(), child.GetHeight()}),
        (std::vector<int> {1, 2, 100, 50}));
    child.SetPos(8, 9, 30, 40, UIPOS_KEEP_POSITION);
    EXPECT_EQ((std::vector<int> {child.GetX(), child.GetY(), child.GetWidth(), child.GetHeight()}),
        (std::vector<int> {1, 2, 30, 40}));
    child.SetPos(8, 9, 10, 11, UIPOS_KEEP_SIZE | UIPOS_KEEP_POSITION);
    EXPECT_EQ((std::vector<int> {child.GetX(), child.GetY(), child.GetWidth(), child.GetHeight()}),
        (std::vector<int> {1, 2, 30, 40}));
    child.SetPos(8, 9, 10, 11, 0);
    RECT rc;
    child.GetClientRect(&rc);
    EXPECT_EQ((std::vector<LONG> {rc.left, rc.top, rc.right, rc.bottom}), (std::vector<LONG> {0, 0, 10, 11}));
}

TEST_F(UiTree, ControlOutsideATreeHasNoManagerAndDoesNothingOutside)
{
    UiLog log;
    RecordingWin lone(log, "lone", 1, 0, 0, 10, 10);
    EXPECT_EQ(lone.GetManager(), nullptr);
    EXPECT_EQ(lone.GetHostWindow(), nullptr);
    EXPECT_EQ(lone.SendNotify(WM_USER, 1, 2), 0);
    lone.PostCommand(1, 2, 3);
    lone.Invalidate(nullptr);
    lone.SetFocus(TRUE);
    EXPECT_FALSE(lone.HasFocus());
    lone.OnLButtonDown(0, 1, 1);
    EXPECT_TRUE(lone.IsPressed());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0xFFF10000u, 0xFFF1FFFFu, PM_NOREMOVE)) << "nothing was posted anywhere";
}

TEST_F(UiControl, HidingTheFocusContainerSavesTheFocusAndShowingGivesItBack)
{
    RecordingWin panel(log, "panel", 1, 0, 0, 200, 200);
    RecordingWin field(log, "field", 5, 10, 10, 50, 20);
    RecordingWin other(log, "other", 6, 300, 0, 50, 20);
    panel.AddChild(&field);
    host.AddUiWin(&panel);
    host.AddUiWin(&other);

    field.SetFocus(TRUE);
    field.SetFocus(TRUE);  // already there: nothing more
    pump();
    EXPECT_EQ(take(), (UiLog {{"field.setfocus", -1}, {"msg", OVWM_FOCUS_CHANGED, 5, 0}}));

    panel.SetVisible(FALSE);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    EXPECT_EQ(manager.GetSavedFocus(), &field);
    panel.SetVisible(FALSE);  // unchanged: nothing
    panel.SetVisible(TRUE);
    EXPECT_EQ(manager.GetFocusWin(), &field);
    EXPECT_EQ(manager.GetSavedFocus(), &field) << "the saved focus stays";
    pump();
    EXPECT_EQ(take(),
        (UiLog {
            {"field.killfocus", -1},
            {"field.setfocus", -1},
            {"msg", OVWM_FOCUS_CHANGED, 0, 5},
            {"msg", OVWM_FOCUS_CHANGED, 5, 0},
        }));

    // Showing the container of a hidden control gives it nothing.
    panel.SetVisible(FALSE);
    field.SetVisible(FALSE);
    panel.SetVisible(TRUE);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    field.SetVisible(TRUE);
    EXPECT_EQ(manager.GetFocusWin(), &field);

    // SetFocus(0) on a control without the focus only forgets it as saved.
    other.SetFocus(TRUE);
    pump();
    take();
    manager.SetSavedFocus(&field);
    field.SetFocus(FALSE);
    EXPECT_EQ(manager.GetSavedFocus(), nullptr);
    EXPECT_EQ(manager.GetFocusWin(), &other);
    pump();
    EXPECT_EQ(take(), UiLog {});

    // No restoring when the manager is told not to, or the window is hidden.
    manager.SetSavedFocus(&field);
    other.SetFocus(FALSE);
    manager.SetRestoreFocusOnActivate(FALSE);
    manager.RestoreFocus();
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    manager.SetRestoreFocusOnActivate(TRUE);
    ShowWindow(hwnd, SW_HIDE);
    manager.RestoreFocus();
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    ShowWindow(hwnd, SW_SHOW);
    manager.RestoreFocus();
    EXPECT_EQ(manager.GetFocusWin(), &field);
}

// Exact colours of the 16-bit screen are not needed: a channel is "on"
// above the middle.
std::uint32_t Channels(std::uint32_t xrgb)
{
    return ((xrgb >> 16 & 0xFF) > 0x80 ? 0x100 : 0) | ((xrgb >> 8 & 0xFF) > 0x80 ? 0x10 : 0) |
        ((xrgb & 0xFF) > 0x80 ? 0x1 : 0);
}

TEST_F(UiControl, PaintingFollowsListOrderAndClipsEachChildToItsParent)
{
    RecordingWin parent(log, "parent", 1, 100, 100, 100, 100);
    RecordingWin wide(log, "wide", 2, 50, 50, 100, 100);  // reaches past the parent's corner
    RecordingWin top(log, "top", 3, 60, 60, 20, 20);
    RecordingWin glow(log, "glow", 4, 300, 100, 50, 50);
    RecordingWin hidden(log, "hidden", 5, 300, 300, 50, 50);
    RecordingWin ghost(log, "ghost", 6, 300, 400, 50, 50);
    parent.fill = RGB(255, 0, 0);
    wide.fill = RGB(0, 255, 0);
    top.fill = RGB(0, 0, 255);
    glow.fill = RGB(255, 255, 0);
    hidden.fill = RGB(255, 0, 255);
    ghost.fill = RGB(0, 255, 255);
    for (RecordingWin* win : {&parent, &wide, &top}) win->log_paint = true;
    parent.AddChild(&wide);
    parent.AddChild(&top);
    host.AddUiWin(&parent);
    host.AddUiWin(&glow);
    host.AddUiWin(&hidden);
    host.AddUiWin(&ghost);
    glow.SetInflateInvalidate(TRUE, 10);
    hidden.SetVisible(FALSE);
    ghost.SetMouseTransparent(TRUE);

    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(take(),
        (UiLog {
            {"parent.paint", 100, 100, 200},
            {"wide.paint", 150, 150, 200},
            {"top.paint", 160, 160, 180},
        }));

    std::uint32_t background = Channels(screen_pixel(5, 600));
    EXPECT_EQ(Channels(screen_pixel(120, 120)), 0x100u);
    EXPECT_EQ(Channels(screen_pixel(155, 155)), 0x010u);
    EXPECT_EQ(Channels(screen_pixel(170, 170)), 0x001u) << "the later child is painted over the earlier one";
    EXPECT_EQ(Channels(screen_pixel(220, 220)), background) << "a child is cut at its parent's edge";
    EXPECT_EQ(Channels(screen_pixel(90, 90)), background) << "a control is cut at its own edge";
    // Grown by 10 on every side, and no further.
    EXPECT_EQ(Channels(screen_pixel(295, 95)), 0x110u);
    EXPECT_EQ(Channels(screen_pixel(355, 155)), 0x110u);
    EXPECT_EQ(Channels(screen_pixel(288, 120)), background);
    EXPECT_EQ(Channels(screen_pixel(320, 320)), background) << "hidden controls are not painted";
    EXPECT_EQ(Channels(screen_pixel(320, 420)), 0x011u) << "mouse-transparent ones are";

    // A partial update repaints only the controls it reaches.
    RECT corner {100, 100, 140, 140};
    InvalidateRect(hwnd, &corner, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(take(), (UiLog {{"parent.paint", 100, 100, 140}}));
}

TEST_F(UiControl, InvalidationGoesThroughTheManagerInWindowCoordinates)
{
    RecordingWin parent(log, "parent", 1, 100, 100, 200, 200);
    RecordingWin child(log, "child", 2, 10, 20, 30, 40);
    parent.AddChild(&child);
    host.AddUiWin(&parent);
    ValidateRect(hwnd, nullptr);

    child.Invalidate(nullptr);
    RECT update {};
    GetUpdateRect(hwnd, &update, FALSE);
    EXPECT_EQ((std::vector<LONG> {update.left, update.top, update.right, update.bottom}),
        (std::vector<LONG> {110, 120, 140, 160}));
    ValidateRect(hwnd, nullptr);

    child.SetInflateInvalidate(TRUE, 3);
    RECT part {1, 2, 5, 6};
    child.Invalidate(&part);
    GetUpdateRect(hwnd, &update, FALSE);
    EXPECT_EQ((std::vector<LONG> {update.left, update.top, update.right, update.bottom}),
        (std::vector<LONG> {108, 119, 118, 129}));
}

TEST_F(UiControl, DestroyedControlIsForgottenByItsParentAndTheManager)
{
    RecordingWin survivor(log, "survivor", 9, 0, 400, 100, 100);
    host.AddUiWin(&survivor);
    auto doomed = std::make_unique<RecordingWin>(log, "doomed", 7, 0, 0, 200, 200);
    doomed->SetHoldEnabled(TRUE);
    host.AddUiWin(doomed.get());

    // Pressed (capture and hold), focused, saved, with a call on its way.
    down(10, 10);
    doomed->SetFocus(TRUE);
    manager.SetSavedFocus(doomed.get());
    doomed->PostCall(doomed.get(), 5);
    survivor.PostCall(&survivor, 6);
    doomed.reset();
    EXPECT_EQ(manager.GetCaptureWin(), nullptr);
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    EXPECT_EQ(manager.GetSavedFocus(), nullptr);
    EXPECT_EQ(manager.GetHoldWin(), nullptr);
    ASSERT_EQ(manager.GetChildCount(), 1);
    EXPECT_EQ(manager.GetChild(0), &survivor);
    take();

    // What comes next finds nothing of it.
    drag(20, 20);
    up(20, 20);
    platform::clock::advance(2000);
    send(WM_KEYDOWN, 'A', 0);
    send(WM_PASTE, 0, 0);
    pump();
    EXPECT_EQ(take(), (UiLog {{"msg", OVWM_FOCUS_CHANGED, 7, 0}, {"survivor.postedcall", 6}}));

    // A container goes, its children stay: they lose their parent and the
    // manager forgets them as focus and as the swallowing disabled control.
    auto box = std::make_unique<RecordingWin>(log, "box", 1, 200, 0, 200, 200);
    RecordingWin inner(log, "inner", 2, 0, 0, 50, 50);
    RecordingWin disabled(log, "disabled", 3, 100, 100, 50, 50);
    box->AddChild(&inner);
    box->AddChild(&disabled);
    host.AddUiWin(box.get());
    inner.SetFocus(TRUE);
    disabled.SetEnabled(FALSE);
    down(310, 110);
    EXPECT_EQ(manager.GetPendingDisabledWin(), &disabled);
    box.reset();
    EXPECT_EQ(manager.GetFocusWin(), nullptr);
    EXPECT_EQ(manager.GetPendingDisabledWin(), nullptr);
    EXPECT_EQ(inner.GetParent(), nullptr);
    EXPECT_EQ(inner.GetManager(), nullptr);
    drag(320, 120);
    up(320, 120);

    // A control taken out of the tree and destroyed later, after its old
    // parent, still leaves nothing behind.
    auto holder = std::make_unique<RecordingWin>(log, "holder", 4, 0, 200, 100, 100);
    auto loose = std::make_unique<RecordingWin>(log, "loose", 5, 0, 0, 10, 10);
    holder->AddChild(loose.get());
    host.AddUiWin(holder.get());
    loose->SetFocus(TRUE);
    holder->RemoveChild(loose.get());
    EXPECT_EQ(manager.GetFocusWin(), nullptr) << "a removed control gives up the focus";
    holder.reset();
    loose.reset();
    EXPECT_EQ(manager.GetChildCount(), 1);
}

TEST_F(UiTree, ControlsOutliveTheirWindow)
{
    UiLog log;
    RecordingWin control(log, "control", 1, 0, 0, 10, 10);
    {
        RecordingHost window(log);
        ASSERT_TRUE(window.Create(0, 0, 100, 100, nullptr, 0, WS_VISIBLE, 0));
        window.AddUiWin(&control);
        control.SetFocus(TRUE);
        EXPECT_EQ(control.GetManager(), &window.manager());
    }
    EXPECT_EQ(control.GetParent(), nullptr);
    EXPECT_EQ(control.GetManager(), nullptr);
    control.SetFocus(FALSE);
}

}  // namespace
