// An options dialog view that records what the dialog shows and answers
// its questions as a test arranges.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/options_dialog.h"

namespace nc::test {

class RecordingOptionsView : public app::OptionsView {
 public:
  app::OptionsForm Form() const override { return form; }
  void SetForm(const app::OptionsForm& f) override { form = f; }
  void SetHotkeyText(std::string_view text) override { form.hotkeyText = text; }
  void SetIntervalsEnabled(bool enabled) override { intervalsEnabled = enabled; }
  void SetWipeHintEnabled(bool enabled) override { wipeHint = enabled; }
  void ShowTab(app::OptionsTab t) override { tab = t; }
  void FocusOutputDirectory() override { focusedOutput = true; }
  void ShowCookies(const std::vector<std::string>& del, int delSel,
                   const std::vector<std::string>& keep, int keepSel) override {
    toDelete = del;
    toKeep = keep;
    deleteSelection = delSel;
    keepSelection = keepSel;
  }
  int CookieSelection(app::CookieList list) const override {
    return list == app::CookieList::Delete ? deleteSelection : keepSelection;
  }
  void SetKeepListReadOnly(std::string_view notice) override { keepListNotice = notice; }
  void SetCommunityRulesInfo(std::string_view text) override { communityRulesInfo = text; }
  std::vector<app::IgnoreRow> IgnoreRows(app::IgnoreListKind kind) const override {
    return kind == app::IgnoreListKind::Values ? values : keys;
  }
  void SetIgnoreRows(app::IgnoreListKind kind, const std::vector<app::IgnoreRow>& rows) override {
    (kind == app::IgnoreListKind::Values ? values : keys) = rows;
  }
  int IgnoreSelection(app::IgnoreListKind) const override { return ignoreSelection; }
  app::IgnoreListKind ShownIgnoreList() const override { return shownIgnore; }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  bool Confirm(std::string_view text) override {
    questions.emplace_back(text);
    return confirmAnswer;
  }
  void ShowInformation(std::string_view title, std::string_view text) override {
    infos.push_back(std::string(title) + "|" + std::string(text));
  }
  std::optional<std::string> EditIgnoreLine(std::string_view line) override {
    editedLines.emplace_back(line);
    return editAnswer;
  }
  std::optional<std::string> ChooseFolder() override { return std::nullopt; }
  std::optional<std::string> AskNewPassword(std::string_view current) override {
    shownPassword = current;
    return newPassword;
  }
  platform::WindowId DialogWindowId() const override { return 0x77; }

  app::OptionsForm form;
  bool intervalsEnabled = false;
  bool wipeHint = false;
  app::OptionsTab tab = app::OptionsTab::Schedule;
  bool focusedOutput = false;
  std::vector<std::string> toDelete, toKeep;
  int deleteSelection = -1, keepSelection = -1;
  std::string keepListNotice;  // "" while the keep list is editable
  std::string communityRulesInfo;
  std::vector<app::IgnoreRow> values, keys;
  int ignoreSelection = -1;
  app::IgnoreListKind shownIgnore = app::IgnoreListKind::Values;
  std::vector<std::string> errors, infos, editedLines, questions;
  bool confirmAnswer = false;
  std::optional<std::string> editAnswer;
  std::string shownPassword;
  std::optional<std::string> newPassword;
};

}  // namespace nc::test
