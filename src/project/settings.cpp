#include "project/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "editor/form1.h"
#include "editor/program.h"
#include "platform/basic/basic.h"
#include "platform/store/file_association.h"
#include "platform/store/paths.h"
#include "platform/store/settings.h"
#include "resources/resources.h"

namespace stavelark {

namespace {

constexpr std::string_view kSection = "Properties";
constexpr uint32_t kWhite = 0xFFFFFF;

// A stored flag: "True"/"False" in any case, or a number (0 false, anything else true).
std::optional<bool> ReadFlag(const std::string& text) {
  if (basic::TextEquals(text, "True")) return true;
  if (basic::TextEquals(text, "False")) return false;
  if (auto v = basic::ToNumber(text)) return *v != 0;
  return std::nullopt;
}

// A stored colour: hexadecimal digits in either case, read as an unsigned number so that a
// colour written as "FFFF" comes back as 65535 and not as a negative 16-bit value.
std::optional<double> ReadHexColour(const std::string& text) {
  std::string t = basic::Trim(text);
  if (t.empty() || t.size() > 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : t) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return static_cast<double>(v);
}

}  // namespace

void SettingsTopic::Wire(Form1&) {}

std::string SettingsTopic::Get(std::string_view key) const {
  if (!p_.Services.settings) return {};
  return p_.Services.settings->GetSetting(p_.Ws.AppTitle, kSection, key);
}

void SettingsTopic::Put(std::string_view key, std::string_view value) {
  if (!p_.Services.settings) return;
  store::Status s = p_.Services.settings->SaveSetting(p_.Ws.AppTitle, kSection, key, value);
  if (!s) std::fprintf(stderr, "stavelark: could not save the setting %.*s: %s\n", static_cast<int>(key.size()),
                       key.data(), s.message.c_str());
}

void SettingsTopic::SetAssociationTexts() {
  Globals& g = p_.G;
  g.AppName = "Stavelark";
  g.FileExt = ".msf";
  g.OpenCommand = "c:\\program files\\Stavelark\\Stavelark.exe ";
  g.IconPath = "\"C:\\program files\\Stavelark\\MISC31.ico\"";
  g.ProgId = "Stavelark.Settings";
  g.FileTypeName = "MIDI Source File";
}

bool SettingsTopic::IsLaterRun() const { return basic::TextEquals(Get("RegLoaded"), "True"); }

void SettingsTopic::CreateRegKey(std::string_view subKey, store::HKey root) {
  store::Registry* reg = p_.Services.registry;
  if (!reg) return;
  store::HKey key = 0;
  uint32_t disposition = 0;
  reg->RegCreateKeyExA(root, subKey, 0, "", store::REG_OPTION_NON_VOLATILE, store::KEY_ALL_ACCESS, nullptr, &key,
                       &disposition);
  reg->RegCloseKey(key);
}

void SettingsTopic::SetRegKeyValue(std::string_view subKey, std::string_view valueName, std::string_view value,
                                   uint32_t valueType, store::HKey root) {
  store::Registry* reg = p_.Services.registry;
  if (!reg) return;
  store::HKey key = 0;
  reg->RegOpenKeyExA(root, subKey, 0, store::KEY_ALL_ACCESS, &key);
  RegSetValueHelper(key, valueName, valueType, value);
  reg->RegCloseKey(key);
}

int32_t SettingsTopic::RegSetValueHelper(store::HKey key, std::string_view valueName, uint32_t valueType,
                                         std::string_view value) {
  store::Registry* reg = p_.Services.registry;
  if (!reg || valueType != store::REG_SZ) return store::ERROR_INVALID_PARAMETER;
  std::string data(value);
  data.push_back('\0');
  return reg->RegSetValueExA(key, valueName, 0, valueType, data.data(), static_cast<uint32_t>(data.size()));
}

void SettingsTopic::WriteFileAssociation() {
  const Globals& g = p_.G;
  const store::HKey root = store::HKEY_CLASSES_ROOT;
  CreateRegKey(g.FileExt, root);
  CreateRegKey(g.FileExt + "\\OpenWithList\\" + g.AppName + ".exe", root);
  SetRegKeyValue(g.FileExt, "", g.AppName + ".Settings", store::REG_SZ, root);
  CreateRegKey(g.FileExt + "\\DefaultIcon", root);
  SetRegKeyValue(g.FileExt + "\\DefaultIcon", "", g.IconPath, store::REG_SZ, root);
  CreateRegKey(g.AppName + ".Settings", root);
  SetRegKeyValue(g.AppName + ".Settings", "", g.FileTypeName, store::REG_SZ, root);
  CreateRegKey(g.AppName + ".Settings\\shell\\open\\command", root);
  SetRegKeyValue(g.AppName + ".Settings\\shell\\open\\command", "", g.OpenCommand + "%1", store::REG_SZ, root);

  // So that opening a project file from the desktop's file manager starts this program with it.
  const ProgramServices& s = p_.Services;
  if (!s.programPath.empty()) {
    store::Status status =
        store::InstallFileAssociationInBackground(s.programPath, s.dataHome.empty() ? store::DataHome() : s.dataHome,
                                                  resources::ProgramIcons());
    if (!status) std::fprintf(stderr, "stavelark: file type not registered with the desktop: %s\n", status.message.c_str());
  }
}

void SettingsTopic::WriteFirstRunSettings() {
  Put("image", "106");
  Put("backcolor", "ffffff");
  Put("inst0", "00");
  Put("inst1", "25");
  Put("inst2", "18");
  Put("inst3", "118");
  Put("teachmode", "true");
  Put("karomode", "false");
  Put("playerpianomode", "false");
}

void SettingsTopic::UseFirstRunValues() {
  Globals& g = p_.G;
  g.TrackInstrument = {0, 25, 18, 118};
  g.BackColorValue = 16777215;
  g.TeachMode = true;
  g.KaraokeMode = false;
  g.PlayerPianoMode = false;
  g.BackgroundImage = 106;
  ShowModeMarks();
}

void SettingsTopic::MarkRegistered() { Put("RegLoaded", "True"); }

void SettingsTopic::ShowModeMarks() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  f.TeachOn.Checked = g.TeachMode;
  f.TeachOff.Checked = !g.TeachMode;
  f.KaroEn.Checked = g.KaraokeMode;
  f.KaroDis.Checked = !g.KaraokeMode;
  f.PPEn.Checked = g.PlayerPianoMode;
  f.PPDis.Checked = !g.PlayerPianoMode;
}

void SettingsTopic::ReadSettings() {
  Globals& g = p_.G;
  // Each value is read on its own: one that can't be read leaves its field as it was.
  if (auto v = basic::ToNumber(Get("image")))
    if (auto image = basic::WholeIn(*v, 0, 255)) g.BackgroundImage = static_cast<uint8_t>(*image);
  if (g.BackgroundImage == 255) g.BackgroundFile = Get("background");
  // Values are held to what the program can use, save and read back: a colour to 24 bits, an
  // instrument to the programs 0..127.
  if (auto colour = ReadHexColour(Get("backcolor")))
    g.BackColorValue = static_cast<float>(std::min(*colour, static_cast<double>(kWhite)));
  for (int t = 0; t < 4; ++t) {
    if (auto v = basic::ToNumber(Get("inst" + std::to_string(t))))
      if (std::isfinite(*v))
        g.TrackInstrument[t] = static_cast<int16_t>(std::clamp(basic::RoundHalfEven(*v), 0.0, 127.0));
  }
  if (auto v = ReadFlag(Get("teachmode"))) g.TeachMode = *v;
  if (auto v = ReadFlag(Get("karomode"))) g.KaraokeMode = *v;
  if (auto v = ReadFlag(Get("playerpianomode"))) g.PlayerPianoMode = *v;
  ShowModeMarks();
}

void SettingsTopic::ShowBackground() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  f.Picture = g.BackgroundImage == 255 ? forms::LoadPicture(g.BackgroundFile)
                                       : forms::LoadResPicture(static_cast<int>(g.BackgroundImage));
}

void SettingsTopic::WriteSettings() {
  const Globals& g = p_.G;
  Put("image", basic::CStr(g.BackgroundImage));
  Put("backcolor", basic::Hex(static_cast<int64_t>(g.BackColorValue)));
  for (int t = 0; t < 4; ++t) Put("inst" + std::to_string(t), basic::CStr(g.TrackInstrument[t]));
  Put("teachmode", g.TeachMode ? "True" : "False");
  Put("karomode", g.KaraokeMode ? "True" : "False");
  Put("playerpianomode", g.PlayerPianoMode ? "True" : "False");
  Put("background", g.BackgroundFile);
}

}  // namespace stavelark
