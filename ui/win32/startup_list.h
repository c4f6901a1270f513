// The startup manager's controls on the Tools page: "Startup", the list
// of what Windows starts at logon with a tick box on each row, "&Delete
// Entry", "Select &All" and "Select &None". The rules live in
// app::StartupManager; this class only shows.
#pragma once

#include <windows.h>

#include <optional>

#include "app/main_layout.h"
#include "app/startup_manager.h"
#include "app/tools_page_view.h"
#include "platform/platform.h"
#include "ui/win32/list_view.h"

namespace nc::ui {

inline constexpr int kIdStartup = 2311;
inline constexpr int kIdStartupList = 2312;
inline constexpr int kIdDeleteStartupEntry = 2313;
inline constexpr int kIdSelectAllStartup = 2314;
inline constexpr int kIdSelectNoStartup = 2315;

class StartupList : public app::StartupListView {
 public:
  // Makes the controls as children of `page`; `top` is where they begin.
  void Create(HWND page, HFONT font, const platform::Platform& ports, int versionCode);
  // `page` is the page's size; the controls fill it from `top` down.
  void Layout(const app::Rect& page, int top);
  // A command of one of these controls; false for any other.
  bool OnCommand(int id);

  HWND list() const { return list_.hwnd(); }
  app::StartupManager& manager() { return *manager_; }

  // app::StartupListView
  void ClearStartupList() override;
  bool AddStartupRow(std::string_view caption, std::string_view file,
                     std::string_view location) override;
  void SizeStartupColumns() override;
  bool StartupRowTicked(std::size_t row) const override;
  void TickAllStartupRows(bool ticked) override;
  void RemoveStartupRow(std::size_t row) override;

 private:
  HWND page_ = nullptr;
  HWND tips_ = nullptr;
  HWND startup_ = nullptr;
  HWND deleteEntry_ = nullptr;
  HWND selectAll_ = nullptr;
  HWND selectNone_ = nullptr;
  ListView list_;
  std::optional<app::StartupManager> manager_;
};

}  // namespace nc::ui
