#include "app/index_dat_viewer.h"

#include "core/index_dat_overwrite.h"
#include "core/text.h"
#include "platform/index_file_bytes.h"

namespace nc::app {

IndexDatViewer::IndexDatViewer(platform::Platform& ports, IndexDatViewerView& view,
                               tools::TimeText& time, IndexDatViewerSettings settings)
    : ports_(ports), view_(view), time_(time), settings_(settings) {}

void IndexDatViewer::OnOpen() {
  // The shell folders of the cache are current only after this.
  ports_.shell.endBrowserSession();
  view_.SetFileName(ports_.files.specialFolder(platform::Csidl::InternetCache) +
                    "\\Content.IE5\\index.dat");
  view_.SetTotal("0");
  view_.SetDeleteVisible(false);
}

void IndexDatViewer::OnBrowse() {
  if (auto chosen = view_.ChooseFile(view_.FileName())) view_.SetFileName(*chosen);
}

bool IndexDatViewer::CheckName(const std::string& path) {
  if (EndsWith(UpperAscii(path), ".DAT") && ports_.files.fileExists(path)) return true;
  view_.ShowMessage(kIndexDatWrongName, kIndexDatCaption);
  view_.FocusFileName();
  return false;
}

void IndexDatViewer::OnShow() {
  if (parsing_) {
    // Started from the message loop of the running parse: that parse
    // starts over once control is back with it.
    restart_ = true;
    return;
  }
  if (closing_) return;
  parsing_ = true;
  do {
    restart_ = false;
    const std::string path = view_.FileName();
    if (!CheckName(path)) break;
    if (!Parse(path)) Clear();
  } while (restart_ && !closing_);
  parsing_ = false;
  if (closing_) view_.CloseWindow();
}

bool IndexDatViewer::Parse(const std::string& path) {
  Clear();
  view_.ShowProgress(0);
  auto file =
      ports_.files.open(path, platform::FileOpen::ReadExisting, platform::FileShare::ReadWrite);
  if (file) {
    platform::FileBytes bytes(**file);
    tools::IndexDatReader reader(bytes);
    rows_.Clear(tools::IndexRowList::BudgetFor(reader.Limit()));
    int shown = 0;
    std::optional<std::uint64_t> lastPump;
    std::uint64_t steps = 0;
    std::size_t rowsShown = 0;
    std::optional<tools::IndexRecord> record;
    while (reader.NextSlot(record)) {
      if (++steps % kStepsPerCheck == 0) {
        const std::uint64_t now = ports_.clock.tickMs();
        if (!lastPump || now - *lastPump >= kPumpIntervalMs) {
          lastPump = now;
          view_.PumpMessages();
          if (Interrupted()) return false;
        }
      }
      if (reader.Percent() > shown) {
        shown = reader.Percent();
        view_.ShowProgress(shown);
      }
      if (!record) continue;
      // A list that has spent its budget keeps the rows it has.
      if (!rows_.Add(record->url, record->filetime)) break;
      if (rows_.size() - rowsShown >= kRowsPerUpdate) {
        rowsShown = rows_.size();
        view_.SetRowCount(rowsShown);
        view_.SetTotal(std::to_string(rowsShown));
      }
    }
  }
  view_.ShowProgress(100);
  view_.SetRowCount(rows_.size());
  view_.SetTotal(std::to_string(rows_.size()));
  return true;
}

void IndexDatViewer::Clear() {
  rows_.Clear(tools::IndexRowList::kFixedBudget);
  view_.SetRowCount(0);
  view_.SetTotal("0");
}

std::string IndexDatViewer::RowText(std::size_t row, int column) const {
  if (row >= rows_.size()) return {};
  return column == 0 ? std::string(rows_.Url(row)) : tools::DisplayTime(rows_.Filetime(row), time_);
}

void IndexDatViewer::OnRowDoubleClicked(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  // Text read from a file never starts a program: only web addresses go
  // to the shell.
  const std::string_view url = rows_.Url(static_cast<std::size_t>(row));
  if (tools::IsWebAddress(url)) (void)ports_.shell.openDocument(url);
}

void IndexDatViewer::OnMore() {
  (void)ports_.shell.openDocument(kIndexDatInfoPage);
}

void IndexDatViewer::OnRevealDelete() {
  view_.SetDeleteVisible(true);
}

void IndexDatViewer::OnDelete() {
  // Writing under a running parse would show half-overwritten records.
  if (parsing_) return;
  const std::string path = view_.FileName();
  if (!CheckName(path)) return;
  const int passes = IndexOverwritePasses(settings_.IsWipeFile, settings_.WipeNumber);
  for (int pass = 1; pass <= passes; ++pass) {
    const auto file = platform::OpenIndexToOverwrite(ports_.files, path);
    if (!file) return;
    const auto fill = static_cast<std::uint8_t>(pass == passes ? 0 : ports_.random.below(255));
    platform::FileBytes bytes(*file);
    (void)OverwriteIndexRecords(bytes, fill);
    if (!file->flush().ok()) return;
  }
}

void IndexDatViewer::OnClose() {
  if (parsing_) {
    closing_ = true;
    return;
  }
  view_.CloseWindow();
}

}  // namespace nc::app
