// The program's compiled-in resources. Linking stavelark_resources brings them into an
// executable; nothing needs calling.
#pragma once

namespace resources {

// Where the pictures are, as Qt resource paths ("<prefix><id>.png").
inline constexpr char kPicturePrefix[] = ":/stavelark/res/";

// Whether the compiled-in pictures are registered in this executable.
bool PicturesLinked();

}  // namespace resources
