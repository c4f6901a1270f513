// The clean log list: a list box the clean worker writes to from
// its own thread. Lines are gathered under a lock and added on the
// window's thread in batches, in the order they were written, so that a
// run of many thousand lines does not wait on the window for each: the
// first line of a quiet log is shown at once, the ones after it with the
// next tick of a short timer that runs while lines keep coming. The
// list box holds no strings of its own (it is told only how many lines
// there are); the lines live here, are drawn from here and are answered
// from here to LB_GETTEXT, also for other programs.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "cleaner/clean_log.h"
#include "ui/win32/list_box.h"

namespace nc::ui {

class LogList : public cleaner::CleanLog {
 public:
  // The message the owner window must pass to Flush(), and the owner's
  // timer it must pass to OnFlushTimer().
  static constexpr UINT kFlushMessage = WM_APP + 0x120;
  static constexpr UINT_PTR kFlushTimer = 0x4C47;
  static constexpr UINT kFlushIntervalMs = 150;

  void Create(HWND parent, HWND owner, int id, HFONT font);
  HWND hwnd() const { return list_.hwnd(); }

  // cleaner::CleanLog, from any thread.
  void AddLine(std::string_view line) override;
  void ScrollToEnd() override;

  // Window's thread only.
  void Flush();
  void OnFlushTimer();
  void Clear();
  std::vector<std::string> Lines();
  void SetLinesVisible(bool visible);
  void SetDoubleBuffered(bool on);
  void FitToLines();
  // Owner-drawn items: the owner forwards WM_DRAWITEM for the list.
  void Draw(const DRAWITEMSTRUCT& item);

 private:
  // Under the lock: makes sure the pending lines reach the window.
  void RequestFlushLocked();
  static LRESULT CALLBACK ListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);

  ListBox list_;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  bool linesVisible_ = true;
  int extent_ = 0;                   // the list's horizontal extent, window's thread only
  bool cleared_ = false;             // the list box still counts the lines of before
  std::vector<std::wstring> lines_;  // window's thread only
  std::mutex mutex_;
  std::vector<std::wstring> pending_;
  bool flushPosted_ = false;
  bool flushTimerArmed_ = false;
  bool scrollPending_ = false;
};

}  // namespace nc::ui
