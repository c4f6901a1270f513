// A list box control: one-line forwards to its messages, texts in UTF-8.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "ui/win32/window.h"

namespace nc::ui {

class ListBox : public ChildControl {
 public:
  using ChildControl::ChildControl;

  void ResetContent() { SendMessageW(window_, LB_RESETCONTENT, 0, 0); }
  void AddString(std::string_view text) {
    const std::wstring wide = Wide(text);
    SendMessageW(window_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  // The selected line of a single-selection list, or LB_ERR.
  LRESULT CurrentSelection() const { return SendMessageW(window_, LB_GETCURSEL, 0, 0); }
  // The number of lines of a list without data of its own.
  void SetCount(std::size_t count) { SendMessageW(window_, LB_SETCOUNT, count, 0); }
  LRESULT TopIndex() const { return SendMessageW(window_, LB_GETTOPINDEX, 0, 0); }
  void SetTopIndex(std::size_t index) { SendMessageW(window_, LB_SETTOPINDEX, index, 0); }
  void SetHorizontalExtent(int pixels) {
    SendMessageW(window_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels), 0);
  }
};

}  // namespace nc::ui
