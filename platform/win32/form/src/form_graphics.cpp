#include "form_graphics.h"

#include <wincodec.h>

#include "form_layout.h"
#include "platform/win32/com_ptr.h"
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

HRESULT LoadPictureResource(HMODULE module, const wchar_t* name, Picture& picture) {
  const HRSRC resource = ::FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!resource) return HRESULT_FROM_WIN32(::GetLastError());
  const HGLOBAL loaded = ::LoadResource(module, resource);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(module, resource);
  if (!bytes || size == 0) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);

  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, factory.PutVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(stream.Put());
  if (FAILED(hr)) return hr;
  // The resource stays mapped for the module's lifetime, so the stream may read it in place.
  hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                        decoder.Put());
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameDecode> frame;
  hr = decoder->GetFrame(0, frame.Put());
  if (FAILED(hr)) return hr;
  ComPtr<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(converter.Put());
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                             nullptr, 0.0, WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hr;
  UINT width = 0, height = 0;
  hr = converter->GetSize(&width, &height);
  if (FAILED(hr)) return hr;
  if (width == 0 || height == 0 || width > 16384 || height > 16384)
    return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC gives them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return E_OUTOFMEMORY;
  const UINT stride = width * 4;
  hr = converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits));
  if (FAILED(hr)) return hr;
  picture.bitmap = std::move(bitmap);
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  return S_OK;
}

void PaintFormSurface(HDC dc, const RECT& client, const Picture* picture, unsigned dpi,
                      const std::vector<ControlDesign>& controls, FontSet& fonts) {
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  if (picture && picture->bitmap) {
    const UniqueHdc source(::CreateCompatibleDC(dc));
    const HGDIOBJ old = ::SelectObject(source.Get(), picture->bitmap.Get());
    if (dpi == kBaseDpi) {
      ::BitBlt(dc, 0, 0, picture->width, picture->height, source.Get(), 0, 0, SRCCOPY);
    } else {
      ::SetStretchBltMode(dc, HALFTONE);
      ::SetBrushOrgEx(dc, 0, 0, nullptr);
      ::StretchBlt(dc, 0, 0, MulDiv(picture->width, static_cast<int>(dpi), kBaseDpi),
                   MulDiv(picture->height, static_cast<int>(dpi), kBaseDpi), source.Get(), 0, 0,
                   picture->width, picture->height, SRCCOPY);
    }
    ::SelectObject(source.Get(), old);
  }
  for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
    if (control->kind == ControlKind::kLabel && control->visible)
      PaintLabel(dc, *control, dpi, fonts);
  }
}

}  // namespace clickora::platform::win32
