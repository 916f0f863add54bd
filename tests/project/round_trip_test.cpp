// Whatever the program can hold, from its settings or from a project file, it saves to a file
// that opens as the same composition.
#include <gmock/gmock.h>

#include <random>

#include "project/option_form.h"
#include "editor/score_display.h"
#include "project/settings.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

// Texts the code page holds: letters, blanks, commas, keywords, a lone LF, accents, signs.
std::string RandomText(std::mt19937& rng) {
  static constexpr std::array<const char*, 16> kPieces = {
      "a",   "Zo",      "9",      " ",           ",",      "\n",          "?",           "TRACK 2",
      "LYRICS", "ECHO", "\xC3\xA9", "\xE2\x82\xAC", "\xC5\xB8", "\xC2\xA0", "(c)2010", "-3, 4, 5"};
  std::string text;
  for (int n = std::uniform_int_distribution<int>(0, 6)(rng); n > 0; --n)
    text += kPieces[std::uniform_int_distribution<size_t>(0, kPieces.size() - 1)(rng)];
  return text;
}

// What a settings store may hold for an instrument: anything a user or another program wrote.
std::string RandomInstrumentSetting(std::mt19937& rng) {
  switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0: return std::to_string(std::uniform_int_distribution<int>(-1000, 100000)(rng));
    case 1: return std::to_string(std::uniform_int_distribution<int>(0, 127)(rng));
    case 2: return "12.6";
    case 3: return "x";
    default: return "";
  }
}

std::string RandomHex(std::mt19937& rng) {
  static constexpr char kDigits[] = "0123456789ABCDEFabcdef";
  std::string text;
  for (int n = std::uniform_int_distribution<int>(1, 8)(rng); n > 0; --n)
    text += kDigits[std::uniform_int_distribution<int>(0, 21)(rng)];
  return text;
}

class RoundTripTest : public ProgramTest {};

TEST_F(RoundTripTest, WhatTheProgramHoldsSavesToAFileThatOpensAsTheSame) {
  settings.SaveSetting("Stavelark", "Properties", "RegLoaded", "True");
  Start();
  std::mt19937 rng(20240611);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  stavelark::Globals& g = G();
  stavelark::Form1& f = F();
  stavelark::OptionForm& options = P().OptionForm();
  const std::array<forms::Menu*, 8> effects = {&f.distortion, &f.echo,   &f.Chorus, &f.Flanger,
                                               &f.Compressor, &f.Gargle, &f.Para,   &f.Reverb};

  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Settings as anyone may have left them, read as a start does.
    for (int t = 0; t < 4; ++t)
      settings.SaveSetting("Stavelark", "Properties", "inst" + std::to_string(t), RandomInstrumentSetting(rng));
    settings.SaveSetting("Stavelark", "Properties", "backcolor", RandomHex(rng));
    P().SettingsTopic().ReadSettings();

    // A composition: every note value the arrays hold, the octaves a file can bring, the tempos
    // a file can bring, and now and then full tracks.
    for (int t = 0; t < 4; ++t) {
      const int count = round % 97 == 13 ? stavelark::kMaxNotes : below(40);
      for (int p = 0; p < count; ++p) {
        g.NotePitch[t][p] = static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(rng));
        g.NoteVol[t][p] = static_cast<uint8_t>(below(256));
        g.NoteDuration[t][p] = static_cast<uint8_t>(below(256));
      }
      g.NoteCount[t] = static_cast<int16_t>(count);
      if (below(2) == 0) g.TrackInstrument[t] = static_cast<int16_t>(below(128));
      g.TrackOctave[t] = static_cast<int16_t>(below(10));
    }
    g.ComputeScoreLength();
    for (int p = 0; p < g.ScoreLength; ++p) g.Lyrics[p] = RandomText(rng);
    g.Tempo = static_cast<float>(10 + below(990));
    for (forms::Menu* item : effects) item->Checked = below(2) == 0;
    if (below(2) == 0) P().ScoreDisplay().BassClef_Click();
    const std::string copyright = RandomText(rng), author = RandomText(rng);
    options.CompCopy.Text = copyright;
    options.CompAuthor.Text = author;
    const auto saved = std::make_unique<stavelark::Globals>(g);
    std::array<bool, 8> savedEffects{};
    for (size_t e = 0; e < effects.size(); ++e) savedEffects[e] = effects[e]->Checked();
    const bool savedBassClef = f.BassClef.Checked();

    const std::string name = "r" + std::to_string(round) + ".msf";
    Sys().AnswerFileDialog((Root() / name).string());
    ASSERT_TRUE(Sys().ChooseMenu(f.Save));
    // Everything the file gives is changed before it is opened again.
    g.TrackInstrument = {1, 2, 3, 4};
    g.TrackOctave = {5, 5, 5, 5};
    g.Tempo = 77;
    for (int p = 0; p < g.ScoreLength; ++p) g.Lyrics[p] = "~";
    options.CompCopy.Text = options.CompAuthor.Text = "~";
    Sys().AnswerFileDialog((Root() / name).string());
    ASSERT_TRUE(Sys().ChooseMenu(f.Open));

    ASSERT_EQ(g.NoteCount, saved->NoteCount);
    for (int t = 0; t < 4; ++t)
      for (int p = 0; p < g.NoteCount[t]; ++p) {
        ASSERT_EQ(g.NotePitch[t][p], saved->NotePitch[t][p]) << t << "/" << p;
        ASSERT_EQ(g.NoteVol[t][p], saved->NoteVol[t][p]) << t << "/" << p;
        ASSERT_EQ(g.NoteDuration[t][p], saved->NoteDuration[t][p]) << t << "/" << p;
      }
    for (int p = 0; p < g.ScoreLength; ++p) ASSERT_EQ(g.Lyrics[p], saved->Lyrics[p]) << p;
    EXPECT_EQ(g.TrackInstrument, saved->TrackInstrument);
    EXPECT_EQ(g.TrackOctave, saved->TrackOctave);
    EXPECT_EQ(g.Tempo, saved->Tempo);
    for (size_t e = 0; e < effects.size(); ++e) EXPECT_EQ(effects[e]->Checked(), savedEffects[e]) << e;
    EXPECT_EQ(f.BassClef.Checked(), savedBassClef);
    EXPECT_EQ(g.CompositionCopyright, copyright);
    EXPECT_EQ(g.CompositionAuthor, author);
    EXPECT_EQ(g.CompositionName, name);
    EXPECT_EQ(options.CompName.Text(), name);

    // The settings survive a run: written at its end and read at the next start, the same.
    const float colour = g.BackColorValue;
    P().SettingsTopic().WriteSettings();
    g.TrackInstrument = {1, 2, 3, 4};
    P().SettingsTopic().ReadSettings();
    EXPECT_EQ(g.BackColorValue, colour);
    EXPECT_LE(g.BackColorValue, 0xFFFFFF);
    EXPECT_EQ(g.TrackInstrument, saved->TrackInstrument);
    std::filesystem::remove(Root() / name);
  }
}

}  // namespace
}  // namespace stavelark_test
