#include "ui/win32/index_dat_viewer.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/win32/list_view.h"
#include "ui/win32/modal_dialog.h"

namespace nc::ui {
namespace {

namespace ids = index_dat_ids;

// FILETIME to the system's local time and its short date and long time.
class LocalTimeText : public tools::TimeText {
 public:
  std::optional<tools::CalendarTime> ToLocal(std::uint64_t filetime) override {
    const FILETIME utc{static_cast<DWORD>(filetime & 0xFFFFFFFFu),
                       static_cast<DWORD>(filetime >> 32)};
    FILETIME local{};
    SYSTEMTIME t{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) {
      return std::nullopt;
    }
    return tools::CalendarTime{t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                               t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
  }
  std::string Format(const tools::CalendarTime& c) override {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(c.year);
    t.wMonth = static_cast<WORD>(c.month);
    t.wDayOfWeek = static_cast<WORD>(c.dayOfWeek);
    t.wDay = static_cast<WORD>(c.day);
    t.wHour = static_cast<WORD>(c.hour);
    t.wMinute = static_cast<WORD>(c.minute);
    t.wSecond = static_cast<WORD>(c.second);
    t.wMilliseconds = static_cast<WORD>(c.millisecond);
    wchar_t date[80] = {};
    wchar_t time[80] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, 80) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, 80) == 0) {
      return tools::kNotAvailable;
    }
    return Utf8(std::wstring(date) + L" " + time);
  }
};

class IndexDatViewerWindow : public ModalDialog, public app::IndexDatViewerView {
 public:
  IndexDatViewerWindow(platform::Platform& ports, app::IndexDatViewerSettings settings)
      : controller_(ports, *this, time_, settings) {}

  void Run(HWND owner) {
    ACCEL keys[] = {{FVIRTKEY | FCONTROL | FALT, 'S', static_cast<WORD>(ids::kRevealDelete)}};
    accelerators_ = CreateAcceleratorTableW(keys, 1);
    SetAccelerators(accelerators_);
    ModalDialog::Run(owner, kIndexDatViewerClass, app::kIndexDatCaption, 600, 420);
    SetAccelerators(nullptr);
    if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
    if (images_ != nullptr) ImageList_Destroy(images_);
  }

  // The view.
  void SetFileName(std::string_view path) override { SetText(ids::kFileName, path); }
  std::string FileName() override { return Text(ids::kFileName); }
  void FocusFileName() override { SetFocus(Item(ids::kFileName)); }
  std::optional<std::string> ChooseFile(std::string_view current) override {
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring wide = Wide(current);
    if (wide.size() < file.size()) std::wcsncpy(file.data(), wide.c_str(), file.size() - 1);
    static const wchar_t kFilter[] = L"Index dat file(*.dat)\0*.DAT\0";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = kFilter;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&dialog) || file[0] == L'\0') return std::nullopt;
    return Utf8(file.data());
  }
  void SetRowCount(std::size_t rows) override {
    ListView_SetItemCountEx(list_.hwnd(), static_cast<int>(rows), LVSICF_NOSCROLL);
  }
  void SetTotal(std::string_view text) override { SetText(ids::kTotal, text); }
  void ShowProgress(int percent) override {
    ShowItem(ids::kProgress, true);
    SendMessageW(Item(ids::kProgress), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    MessageBoxW(hwnd(), Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
  }
  void SetDeleteVisible(bool visible) override { ShowItem(ids::kDelete, visible); }
  void PumpMessages() override {
    // A bounded number per call, so that messages that keep coming cannot
    // hold the parse.
    MSG msg;
    for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
      if (msg.message == WM_QUIT) {
        // The program is ending: stop, and pass the quit on afterwards.
        quit_ = true;
        quitCode_ = static_cast<int>(msg.wParam);
        controller_.OnClose();
        return;
      }
      if (accelerators_ != nullptr && TranslateAcceleratorW(hwnd(), accelerators_, &msg)) continue;
      if (!IsDialogMessageW(hwnd(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  void CloseWindow() override { Close(false); }

 protected:
  void OnCreate() override {
    Group("Index.dat file location", 8, 4, 584, 52);
    Edit(18, 24, 516, ids::kFileName);
    Button("...", 542, 22, 40, ids::kBrowse);
    list_.Attach(Control(
        WC_LISTVIEWW, "",
        WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 8,
        64, 584, 282, ids::kList, WS_EX_CLIENTEDGE));
    list_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list_.InsertColumn(0, "URL", 400);
    list_.InsertColumn(1, "Last Modified", 160);
    images_ = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                               ILC_COLOR32 | ILC_MASK, 1, 0);
    if (images_ != nullptr) {
      HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
      ImageList_AddIcon(images_, icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION));
      ListView_SetImageList(list_.hwnd(), images_, LVSIL_SMALL);
    }
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    static wchar_t kListHint[] = L"Double click the item to link to the URL";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(list_.hwnd());
    tool.lpszText = kListHint;
    if (tips != nullptr) SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    Label("Total Record:", 8, 356, 100);
    Control(L"STATIC", "0", SS_LEFT | SS_SUNKEN, 110, 354, 80, 20, ids::kTotal);
    HWND progress = Control(PROGRESS_CLASSW, "", 0, 200, 356, 392, 16, ids::kProgress);
    SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ShowWindow(progress, SW_HIDE);
    Button("&More Index.dat", 8, 386, 120, ids::kMore);
    Button("&Delete", 136, 386, 88, ids::kDelete);
    Button("&Show", 408, 386, 88, ids::kShow, BS_DEFPUSHBUTTON);
    Button("&Close", 504, 386, 88, ids::kClose);
    controller_.OnOpen();
  }

  void OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED && code != 1) return;  // buttons and accelerators
    switch (id) {
      case IDCANCEL:
      case ids::kClose:
        controller_.OnClose();
        break;
      case ids::kShow:
        controller_.OnShow();
        if (quit_ && !controller_.Parsing()) {
          quit_ = false;
          PostQuitMessage(quitCode_);
        }
        break;
      case ids::kBrowse:
        controller_.OnBrowse();
        break;
      case ids::kMore:
        controller_.OnMore();
        break;
      case ids::kDelete:
        controller_.OnDelete();
        break;
      case ids::kRevealDelete:
        controller_.OnRevealDelete();
        break;
      default:
        break;
    }
  }

  LRESULT OnNotify(const NMHDR& header) override {
    if (header.idFrom != static_cast<UINT_PTR>(ids::kList)) return 0;
    if (header.code == LVN_GETDISPINFOW) {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
      LVITEMW& item = info.item;
      if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const std::wstring text =
            Wide(controller_.RowText(static_cast<std::size_t>(item.iItem), item.iSubItem));
        const std::size_t n = std::min<std::size_t>(text.size(), item.cchTextMax - 1);
        text.copy(item.pszText, n);
        item.pszText[n] = L'\0';
      }
      if ((item.mask & LVIF_IMAGE) != 0) item.iImage = 0;
    } else if (header.code == NM_DBLCLK) {
      const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
      controller_.OnRowDoubleClicked(activate.iItem);
    }
    return 0;
  }

 private:
  LocalTimeText time_;
  app::IndexDatViewer controller_;
  ListView list_;
  HACCEL accelerators_ = nullptr;
  HIMAGELIST images_ = nullptr;
  bool quit_ = false;
  int quitCode_ = 0;
};

}  // namespace

void ShowIndexDatViewer(HWND owner, platform::Platform ports,
                        app::IndexDatViewerSettings settings) {
  IndexDatViewerWindow window(ports, settings);
  window.Run(owner);
}

}  // namespace nc::ui
