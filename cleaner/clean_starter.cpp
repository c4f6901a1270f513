#include "cleaner/clean_starter.h"

#include "cleaner/chromium_browsers.h"

namespace nc::cleaner {

CleanStartDecision PrepareCleanStart(const CleanStartContext& context) {
  CleanStartDecision decision;
  decision.runNames = CollectCheckedItems(context.tree);
  if (decision.runNames.empty()) {
    if (context.runMode != RunMode::Auto && !context.askNothing) {
      context.prompts.inform(kNothingSelectedText);
    }
    decision.outcome = CleanStartOutcome::NothingSelected;
    return decision;
  }
  if (context.cleanBusy) {
    decision.outcome = CleanStartOutcome::Busy;
    return decision;
  }

  if (context.runMode != RunMode::Clean) {
    const bool test = context.runMode == RunMode::Test;
    // A refusal's box is one question at a time: busy while it is open, so
    // that a timer tick behind it starts nothing and opens no second box.
    auto refuse = [&](std::string_view text, CleanStartOutcome outcome) {
      decision.refusal = std::string(text);
      if (!context.askNothing) {
        context.cleanBusy = true;
        context.prompts.inform(text);
      }
      context.cleanBusy = false;
      decision.outcome = outcome;
      return decision;
    };
    // The open browsers with a ticked item, in the order of their checks.
    struct OpenBrowser {
      std::string_view group;
      std::string_view closeText;
      CleanStartOutcome outcome;
    };
    std::vector<OpenBrowser> open;
    if (!test) {
      constexpr std::string_view kFirefox = "Mozilla Firefox";
      if (GroupHasTickedItem(context.tree, kFirefox) &&
          (context.programs.findWindow("MozillaUIWindowClass") != 0 ||
           context.programs.findWindow("MozillaWindowClass") != 0 ||
           FirefoxProfileLocked(context.files))) {
        open.push_back({kFirefox, kCloseFirefoxText, CleanStartOutcome::FirefoxRunning});
      }
      for (const ChromiumBrowser& browser : ChromiumBrowsers()) {
        if (!context.unattendedClear && !open.empty()) break;
        if (!GroupHasTickedItem(context.tree, browser.group) ||
            !ChromiumBrowserRunning(context.registry, context.files, browser)) {
          continue;
        }
        open.push_back({browser.group, browser.closeText,
                        browser.original ? CleanStartOutcome::ChromeRunning
                                         : CleanStartOutcome::ChromiumRunning});
      }
    }
    if (!open.empty() && !context.unattendedClear) {
      return refuse(open.front().closeText, open.front().outcome);
    }
    for (const OpenBrowser& browser : open) {
      const CleanNode* group = context.tree.group(browser.group);
      for (const CleanNode& item : group->children) {
        if (item.state != kStateTicked) continue;
        const std::string name = CleanItemName(group->text, item.text);
        std::erase(decision.runNames, name);
        decision.skipped.push_back({name, group->text, std::string(browser.closeText)});
      }
    }
    if (decision.runNames.empty()) {
      // Every ticked item belongs to an open browser: nothing is shown.
      decision.refusal = std::string(open.front().closeText);
      context.cleanBusy = false;
      decision.outcome = open.front().outcome;
      return decision;
    }
    // Busy while the question is open, so that a timer cannot start a
    // second run meanwhile.
    context.cleanBusy = true;
    if (context.askBeforeClear && !test && !context.unattendedClear && !context.askNothing) {
      const bool yes = context.confirmClean ? context.confirmClean() : false;
      if (!yes) {
        context.cleanBusy = false;
        decision.outcome = CleanStartOutcome::Declined;
        return decision;
      }
    }
  }

  context.cleanBusy = true;
  decision.outcome = CleanStartOutcome::Start;
  return decision;
}

}  // namespace nc::cleaner
