#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/com_win32.h"
#include "test_pictures.h"

namespace tarnwick::test {
namespace {

constexpr int stripRows = 64;  // written a strip at a time: an 8192 × 8192 picture stays cheap

bool encodeInto(IStream* output, int width, int height, const PixelColour& colour, bool png) {
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())))
    return false;
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (FAILED(factory->CreateEncoder(png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg, nullptr,
                                    encoder.put())) ||
      FAILED(encoder->Initialize(output, WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())) ||
      FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
    return false;
  const WICPixelFormatGUID wanted = png ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID format = wanted;
  if (FAILED(frame->SetPixelFormat(&format)) || format != wanted) return false;
  const int channels = png ? 4 : 3;
  const UINT stride = static_cast<UINT>((width * channels + 3) & ~3);
  std::vector<BYTE> strip(static_cast<std::size_t>(stride) * stripRows);
  for (int top = 0; top < height; top += stripRows) {
    const int rows = std::min(stripRows, height - top);
    for (int y = 0; y < rows; ++y) {
      BYTE* row = strip.data() + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t rgba = colour(x, top + y);
        BYTE* p = row + x * channels;
        p[0] = static_cast<BYTE>(rgba >> 8);   // blue
        p[1] = static_cast<BYTE>(rgba >> 16);  // green
        p[2] = static_cast<BYTE>(rgba >> 24);  // red
        if (png) p[3] = static_cast<BYTE>(rgba);
      }
    }
    if (FAILED(frame->WritePixels(static_cast<UINT>(rows), stride, stride * static_cast<UINT>(rows),
                                  strip.data())))
      return false;
  }
  return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

std::string encodePicture(int width, int height, const PixelColour& colour, const char* type) {
  const ComApartment com(COINIT_MULTITHREADED);
  ComRef<IStream> output;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, output.put())) ||
      !encodeInto(output.get(), width, height, colour, std::string(type) == "png"))
    return {};
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (FAILED(output->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(output.get(), &memory)))
    return {};
  const void* data = GlobalLock(memory);
  std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(memory);
  return bytes;
}

}  // namespace tarnwick::test
