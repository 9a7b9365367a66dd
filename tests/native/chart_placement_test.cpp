#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "chart/placement.h"

namespace velmar {
namespace {

constexpr int kCaption = 23;
constexpr PixelSize kPreferred{880, 760};
constexpr PixelSize kMinimum{360, 260};

PixelRect Overlap(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

TEST(ChartPlacement, BesideTheDialogRightLeftBelowThenAbove) {
  struct Case {
    PixelRect work;
    PixelRect dialog;
    PixelRect expected;
  };
  const Case cases[] = {
      // The test prefix's screen, the dialog at its top left: to its right, the height clipped.
      {{0, 0, 1024, 768}, {0, 0, 471, 306}, {471, 0, 1024, 760}},
      // The dialog against the right edge: to its left.
      {{0, 0, 1024, 768}, {553, 0, 1024, 306}, {0, 0, 553, 760}},
      // A large screen with the dialog in the middle: the default size, as high as it fits.
      {{0, 0, 1920, 1040}, {724, 367, 1195, 673}, {1195, 280, 1920, 1040}},
      // No room on either side: below, then above.
      {{0, 0, 800, 1000}, {100, 0, 700, 300}, {0, 300, 800, 1000}},
      {{0, 0, 800, 1000}, {100, 650, 700, 950}, {0, 0, 800, 650}},
      // A monitor left of the main one, with a taskbar on top.
      {{-1280, 40, 0, 1024}, {-600, 100, -129, 406}, {-1280, 100, -600, 860}},
  };
  for (const Case& c : cases) {
    const PixelRect placed = PlaceBeside(c.dialog, kCaption, c.work, kPreferred, kMinimum);
    EXPECT_EQ(placed, c.expected) << placed.left << "," << placed.top << " " << placed.right << "," << placed.bottom;
  }
}

TEST(ChartPlacement, WithNoRoomBesideItCoversTheLeastOfTheDialogAndNeverItsCaption) {
  for (const PixelRect dialog : {PixelRect{100, 100, 540, 380}, PixelRect{0, 0, 640, 306}, PixelRect{200, 300, 640, 480}}) {
    const PixelRect work{0, 0, 640, 480};
    const PixelRect placed = PlaceBeside(dialog, kCaption, work, kPreferred, kMinimum);
    const PixelRect caption{dialog.left, dialog.top, dialog.right, dialog.top + kCaption};
    EXPECT_TRUE(Overlap(placed, caption).Empty()) << dialog.left << "," << dialog.top;
    EXPECT_EQ(Overlap(placed, work), placed);
    EXPECT_GE(placed.Height(), kMinimum.height);
    // The whole work area would cover all of the dialog; this covers less.
    const PixelRect covered = Overlap(placed, dialog);
    EXPECT_LT(covered.Empty() ? 0 : covered.Width() * covered.Height(), dialog.Width() * dialog.Height());
  }
}

TEST(ChartPlacement, RememberedPlacementComesBackOnScreen) {
  const PixelRect work{0, 0, 1920, 1040};
  const PixelRect gone = FitWithin({2500, 300, 3300, 900}, work);
  EXPECT_EQ(gone.right, 1920);
  EXPECT_EQ(gone.Width(), 800);
  const PixelRect huge = FitWithin({-50, -50, 4000, 3000}, work);
  EXPECT_EQ(huge.left, 0);
  EXPECT_EQ(huge.Height(), 1040);
  const PixelRect inside = FitWithin({100, 100, 900, 700}, work);
  EXPECT_EQ(inside.left, 100);
  EXPECT_EQ(inside.bottom, 700);

  // Closed maximised or minimised: its restored place is kept from the work area's corner, and
  // comes back where it was on the screen whichever side the taskbar is on.
  const PixelRect monitor{0, 0, 1920, 1080};
  const PixelRect normal{100, 120, 900, 720};
  const std::pair<PixelRect, PixelRect> kept[] = {{{0, 40, 1920, 1080}, {100, 80, 900, 680}},   // on top
                                                  {{60, 0, 1920, 1080}, {40, 120, 840, 720}},   // on the left
                                                  {{0, 0, 1920, 1040}, {100, 120, 900, 720}}};  // below
  for (const auto& [taskbarAside, workspace] : kept) {
    EXPECT_EQ(FitWithin(ScreenFromWorkspace(workspace, monitor, taskbarAside), taskbarAside), normal);
  }
  // On a monitor left of the main one, its taskbar at the top.
  EXPECT_EQ(ScreenFromWorkspace({-1800, 80, -1000, 680}, {-1920, 0, 0, 1080}, {-1920, 40, 0, 1080}),
            (PixelRect{-1800, 120, -1000, 720}));
}

}  // namespace
}  // namespace velmar
