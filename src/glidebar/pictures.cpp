#include "glidebar/pictures.h"

#include "glidebar/identity.h"

namespace glidebar {

std::span<const unsigned char> BitmapResource(int id) {
  if (id == kToolboxBitmapId) return ToolboxPicture();
  return {};
}

}  // namespace glidebar
