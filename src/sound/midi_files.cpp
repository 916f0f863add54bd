#include "sound/midi_files.h"

#include "editor/form1.h"
#include "project/option_form.h"
#include "editor/program.h"
#include "editor/startup.h"
#include "sound/midi_writer.h"

namespace stavelark {

void MidiFiles::Wire(Form1&) {}

void MidiFiles::writenote(int Instrument, double notz, int Lng) {
  WriteNoteFileTo(p_.G, p_.G.CurrentFilePath, Instrument, notz, Lng);
}

bool MidiFiles::WriteMidiFile(const std::string& FileName, int FirstTrack, int LastTrack, double StartPos,
                              double EndPos) {
  stavelark::OptionForm& options = p_.OptionForm();
  std::string credit = CompositionCreditText(options.CompCopy.Text(), options.CompAuthor.Text(), options.CompName.Text());
  return WriteCompositionFileTo(p_.G, FileName, FirstTrack, LastTrack, StartPos, EndPos, credit,
                                [this] { p_.Startup().WaitDelay(); });
}

}  // namespace stavelark
