#include "project/help_commands.h"

#include "editor/form1.h"
#include "editor/program.h"
#include "project/help_about.h"

namespace stavelark {

void HelpCommands::Wire(Form1& form) {
  form.Help.Click = [this] { Help_Click(); };
  form.About.Click = [this] { About_Click(); };
}

void HelpCommands::Help_Click() {
  HelpAbout& window = p_.HelpAbout();
  window.WebBrowser1.Navigate2(p_.Ws.AppPath + "/help.html");
  window.Show();
}

void HelpCommands::About_Click() {
  HelpAbout& window = p_.HelpAbout();
  window.Show();
  window.WebBrowser1.Navigate2(p_.Ws.AppPath + "/about.html");
}

}  // namespace stavelark
