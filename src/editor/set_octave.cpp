#include "editor/set_octave.h"

#include "editor/program.h"

namespace stavelark {

SetOctave::SetOctave(Program& program) : Form(program.Ws, "SetOctave"), program_(program) {}

}  // namespace stavelark
