#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/form_design.h"
#include "platform/win32/unique_handle.h"

namespace clickora::platform::win32 {

// The fonts of one window at one DPI, made on first use and shared by every control that names
// the same face, size, weight and character set. A window changing DPI makes a new set, hands its
// fonts to the controls, and only then drops the old one.
class FontSet {
 public:
  explicit FontSet(unsigned dpi) : dpi_(dpi) {}
  // nullopt: the window's default font.
  HFONT Get(const std::optional<FontDesign>& font);

 private:
  using Key = std::tuple<std::string, double, bool, Charset>;
  unsigned dpi_;
  std::map<Key, UniqueGdiObject> fonts_;
};

// A colour of the design as a COLORREF; Default stands for the given system colour.
COLORREF ColourOf(const ColourDesign& colour, int default_system_colour);

// A picture in the program's resources, drawn straight from the mapped resource: a packed DIB
// (BITMAPINFOHEADER and bottom-up or top-down rows of 24 or 32 bits per pixel, BI_RGB) in an
// RT_BITMAP resource. The build converts the design's image to that form, so start-up decodes
// nothing and loads no image codec.
struct Picture {
  const BITMAPINFO* info = nullptr;
  const void* bits = nullptr;
  int width = 0;
  int height = 0;
};

// Checks a packed DIB of `size` bytes and points picture at it; the memory must outlive picture.
// Fails with ERROR_INVALID_DATA for a header or pixel format it does not take, or rows the block
// cannot hold.
HRESULT PictureFromPackedDib(const void* dib, std::size_t size, Picture& picture);

// The picture of RT_BITMAP resource `name` of module, which stays mapped while module is loaded.
HRESULT LoadPictureResource(HMODULE module, const wchar_t* name, Picture& picture);

// Paints the window's own surface back to front: the form's background colour, the picture
// unscaled at the client origin (scaled with the DPI above 96, so it keeps its place under the
// controls), then the labels, which are not windows, last in the design's list first.
void PaintFormSurface(HDC dc, const RECT& client, const Picture* picture, unsigned dpi,
                      const std::vector<ControlDesign>& controls, FontSet& fonts);

}  // namespace clickora::platform::win32
