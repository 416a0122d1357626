#include "form_graphics.h"

#include <cstring>

#include "form_layout.h"
#include "twips.h"
#include "win_text.h"

namespace clickora::platform::win32 {
namespace {

constexpr unsigned kBaseDpi = 96;

void PaintLabel(HDC dc, const ControlDesign& label, unsigned dpi, FontSet& fonts) {
  RECT rect = ControlRect(label, dpi);
  if (!label.transparent) {
    const UniqueGdiObject brush(::CreateSolidBrush(ColourOf(label.back_colour, COLOR_BTNFACE)));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
  }
  if (label.text.empty()) return;
  const std::wstring text = Widen(label.text);
  const HGDIOBJ old_font = ::SelectObject(dc, fonts.Get(label.font));
  ::SetTextColor(dc, ColourOf(label.fore_colour, COLOR_BTNTEXT));
  ::SetBkMode(dc, TRANSPARENT);
  // A label wraps at word boundaries inside its box and is cut at the box's edges; captions carry
  // no access-key markers, so '&' is shown as it is.
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  ::SelectObject(dc, old_font);
}

}  // namespace

HFONT FontSet::Get(const std::optional<FontDesign>& font) {
  // The default font of a window that sets none.
  static const FontDesign kDefault{"MS Sans Serif", 8.25, false, Charset::kWestern};
  const FontDesign& design = font ? *font : kDefault;
  const Key key{design.face, design.points, design.bold, design.charset};
  auto found = fonts_.find(key);
  if (found == fonts_.end()) {
    HFONT made = ::CreateFontW(FontHeightPixels(design.points, dpi_), 0, 0, 0,
                               design.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                               design.charset == Charset::kThai ? THAI_CHARSET : ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, Widen(design.face).c_str());
    found = fonts_.emplace(key, UniqueGdiObject(made)).first;
  }
  // NOTE: a font the system could not make leaves the control with its own default font.
  return static_cast<HFONT>(found->second.Get());
}

COLORREF ColourOf(const ColourDesign& colour, int default_system_colour) {
  switch (colour.kind) {
    case ColourDesign::Kind::kRgb:
      return RGB(colour.red, colour.green, colour.blue);
    case ColourDesign::Kind::kHighlightText:
      return ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    case ColourDesign::Kind::kDefault:
      break;
  }
  return ::GetSysColor(default_system_colour);
}

HRESULT PictureFromPackedDib(const void* dib, std::size_t size, Picture& picture) {
  constexpr LONG kLargestSide = 16384;
  BITMAPINFOHEADER header;
  if (!dib || size < sizeof header) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  std::memcpy(&header, dib, sizeof header);  // the block need not be aligned
  const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (header.biSize < sizeof header || header.biSize > size || header.biPlanes != 1 ||
      (header.biBitCount != 24 && header.biBitCount != 32) || header.biCompression != BI_RGB ||
      header.biClrUsed != 0 || header.biWidth <= 0 || header.biWidth > kLargestSide ||
      height == 0 || height > kLargestSide) {
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  }
  // Rows are padded to whole 32-bit words.
  const std::size_t stride =
      ((static_cast<std::size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
  if ((size - header.biSize) / stride < static_cast<std::size_t>(height))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  picture.info = static_cast<const BITMAPINFO*>(dib);
  picture.bits = static_cast<const BYTE*>(dib) + header.biSize;
  picture.width = static_cast<int>(header.biWidth);
  picture.height = static_cast<int>(height);
  return S_OK;
}

HRESULT LoadPictureResource(HMODULE module, const wchar_t* name, Picture& picture) {
  const HRSRC resource = ::FindResourceW(module, name, MAKEINTRESOURCEW(2));  // RT_BITMAP
  if (!resource) return HRESULT_FROM_WIN32(::GetLastError());
  const HGLOBAL loaded = ::LoadResource(module, resource);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(module, resource);
  if (!bytes || size == 0) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  return PictureFromPackedDib(bytes, size, picture);
}

void PaintFormSurface(HDC dc, const RECT& client, const Picture* picture, unsigned dpi,
                      const std::vector<ControlDesign>& controls, FontSet& fonts) {
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  if (picture && picture->info) {
    if (dpi == kBaseDpi) {
      // NOTE: with a bottom-up DIB, SetDIBitsToDevice counts its start line from the bottom;
      // drawing every line from 0 needs no care for that.
      ::SetDIBitsToDevice(
          dc, 0, 0, static_cast<DWORD>(picture->width), static_cast<DWORD>(picture->height), 0, 0,
          0, static_cast<UINT>(picture->height), picture->bits, picture->info, DIB_RGB_COLORS);
    } else {
      ::SetStretchBltMode(dc, HALFTONE);
      ::SetBrushOrgEx(dc, 0, 0, nullptr);
      ::StretchDIBits(dc, 0, 0, MulDiv(picture->width, static_cast<int>(dpi), kBaseDpi),
                      MulDiv(picture->height, static_cast<int>(dpi), kBaseDpi), 0, 0,
                      picture->width, picture->height, picture->bits, picture->info, DIB_RGB_COLORS,
                      SRCCOPY);
    }
  }
  for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
    if (control->kind == ControlKind::kLabel && control->visible)
      PaintLabel(dc, *control, dpi, fonts);
  }
}

}  // namespace clickora::platform::win32
