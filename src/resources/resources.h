// The program's compiled-in resources. Linking stavelark_resources brings them into an
// executable; nothing needs calling.
#pragma once

#include <map>
#include <string>

namespace resources {

// Where the pictures are, as Qt resource paths ("<prefix><id>.png").
inline constexpr char kPicturePrefix[] = ":/stavelark/res/";

// Whether the compiled-in pictures are registered in this executable.
bool PicturesLinked();

// The program's icon in every size compiled in ("icon<n>.png", n x n pixels): PNG bytes by size.
std::map<int, std::string> ProgramIcons();

}  // namespace resources
