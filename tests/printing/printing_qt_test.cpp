// A printed page of the real page window (Qt backend, offscreen) goes to a PDF with its texts.
#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "project/option_form.h"
#include "printing/print_query.h"
#include "printing/printing.h"
#include "support/qt_program.h"

namespace stavelark_test {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;

// The text of a PDF as pdftotext lays it out; nullopt when the tool is missing.
std::optional<std::string> PdfText(const std::filesystem::path& pdf) {
  const std::string command = "pdftotext -layout '" + pdf.string() + "' - 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (::pclose(pipe) != 0) return std::nullopt;
  return text;
}

TEST(PrintingQt, ThePageGoesToThePdfWithTitleAuthorPageNumberAndLyrics) {
  if (std::system("pdftotext -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  char pattern[] = "/tmp/stavelark-print-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::filesystem::path folder = pattern;
  const std::filesystem::path pdf = folder / "page.pdf";
  ::setenv("STAVELARK_PRINT_PDF", pdf.c_str(), 1);

  {
    QtProgram app;
    stavelark::Globals& g = app.P().G;
    const char* words[] = {"Twinkle", "twinkle", "little", "star"};
    for (int pos = 0; pos < 4; ++pos) {
      g.NotePitch[0][pos] = static_cast<int16_t>(1 + 2 * pos);
      g.NoteDuration[0][pos] = 3;
      g.NoteVol[0][pos] = 100;
      g.Lyrics[pos] = words[pos];
    }
    g.NoteCount[0] = 4;
    g.CompositionName = "Evening Song";
    app.P().OptionForm().CompAuthor.Text = "Ada Composer";

    // OK is pressed on the real dialog while Print waits for it.
    QTimer::singleShot(200, [&app] {
      auto* ok = qobject_cast<QAbstractButton*>(app.Sys().WidgetOf(app.P().PrintQuery().OK));
      ASSERT_NE(ok, nullptr);
      ok->click();
    });
    app.Sys().Dispatch([&app] { app.P().PrintCommands().Print_Click(); });
    EXPECT_EQ(app.Sys().LastPrintOutput().toStdString(), pdf.string());
  }
  ::unsetenv("STAVELARK_PRINT_PDF");

  const std::optional<std::string> text = PdfText(pdf);
  ASSERT_TRUE(text) << "no readable PDF at " << pdf;
  EXPECT_THAT(*text, HasSubstr("Evening Song"));
  EXPECT_THAT(*text, HasSubstr("Ada Composer"));
  EXPECT_THAT(*text, ContainsRegex("Page +1"));
  for (const char* word : {"Twinkle", "twinkle", "little", "star"}) EXPECT_THAT(*text, HasSubstr(word));
  EXPECT_THAT(*text, ContainsRegex("Track +1= 0 +Acoustic Grand")) << "page 1 names the instruments";
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace
}  // namespace stavelark_test
