#pragma once
// The seam between the program and a window system: the window with its one
// label and the modal message box. The real one exists on Windows only
// (windows/desktop.cpp); tests supply their own, so that no test ever opens a
// real window or waits for a click.

#include <string>

class Desktop {
 public:
  virtual ~Desktop() = default;

  /// Shows the window with this caption and its single label, painted once;
  /// it is not serviced again. Texts are UTF-8.
  virtual void show_window(const std::string& caption, const std::string& label) = 0;

  /// The modal message box with this text and one OK button; returns once it
  /// is closed. The text is UTF-8.
  virtual void message_box(const std::string& text) = 0;
};
