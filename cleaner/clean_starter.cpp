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
    if (!test && IsGroupChecked(context.tree, "Mozilla Firefox") &&
        (context.programs.findWindow("MozillaUIWindowClass") != 0 ||
         context.programs.findWindow("MozillaWindowClass") != 0 ||
         FirefoxProfileLocked(context.files))) {
      return refuse(kCloseFirefoxText, CleanStartOutcome::FirefoxRunning);
    }
    if (!test) {
      for (const ChromiumBrowser& browser : ChromiumBrowsers()) {
        if (!IsGroupChecked(context.tree, browser.group) ||
            !ChromiumBrowserRunning(context.registry, context.files, browser)) {
          continue;
        }
        return refuse(browser.closeText, browser.original ? CleanStartOutcome::ChromeRunning
                                                          : CleanStartOutcome::ChromiumRunning);
      }
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
