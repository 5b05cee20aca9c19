// The check marks of the tray's popup menu: the one record of which windows are shown and
// which display options are on. Windows read and set them; the menu mirrors them.
#pragma once

#include <array>
#include <functional>

namespace selvane {

enum class MenuItem {
  About,  // mnuAbout: the control window is shown
  Ers,    // mnuErs: the moon window is shown
  Crc,    // mnuCrc: the moon window is circular
  Moon,   // mnuMoon: the moon window is in the maximized view
  Sade,   // mnuSade: the shadowed part shows through (shadow step 2)
  Real,   // mnuReal: real-time mode
  Top,    // mnuTop: the moon window stays on top
};
inline constexpr int kMenuItemCount = 7;

class MenuChecks {
 public:
  bool Checked(MenuItem item) const { return checked_[Index(item)]; }
  void SetChecked(MenuItem item, bool on) {
    if (checked_[Index(item)] == on) return;
    checked_[Index(item)] = on;
    if (changed_) changed_(item, on);
  }
  void Toggle(MenuItem item) { SetChecked(item, !Checked(item)); }
  // Called after every change of a check mark (the menu's actions mirror it).
  void SetChangedHook(std::function<void(MenuItem, bool)> hook) { changed_ = std::move(hook); }

 private:
  static int Index(MenuItem item) { return static_cast<int>(item); }
  std::array<bool, kMenuItemCount> checked_{};
  std::function<void(MenuItem, bool)> changed_;
};

}  // namespace selvane
