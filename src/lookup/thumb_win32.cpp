#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <limits>

#include "base/com_win32.h"
#include "lookup/thumb_decoding.h"

namespace tarnwick {

const int thumbJpegDecodeShrink = 1;

namespace {

std::shared_ptr<Thumb> decodeWith(IWICImagingFactory* factory, std::string_view bytes) {
  ComRef<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put()))) return nullptr;
  // WIC only reads from the buffer; the interface just lacks the const.
  auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  if (FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size())))) return nullptr;
  ComRef<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())))
    return nullptr;
  ComRef<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return nullptr;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width > static_cast<UINT>(thumbMaxSide) ||
      height > static_cast<UINT>(thumbMaxSide))
    return nullptr;
  std::optional<ThumbSize> size =
      thumbDecodeSize(static_cast<int>(width), static_cast<int>(height), thumbJpegDecodeShrink);
  if (!size) return nullptr;

  // Premultiplied before scaling, so that transparent pixels lend no colour to their neighbours.
  ComRef<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return nullptr;
  IWICBitmapSource* source = converter.get();
  ComRef<IWICBitmapScaler> scaler;
  if (size->width != static_cast<int>(width) || size->height != static_cast<int>(height)) {
    if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(converter.get(), static_cast<UINT>(size->width),
                                  static_cast<UINT>(size->height), WICBitmapInterpolationModeFant)))
      return nullptr;
    source = scaler.get();
  }
  // 32bppPBGRA is B, G, R, A in memory: on x64 exactly the native ARGB words of a Thumb.
  std::shared_ptr<Thumb> thumb = makeThumb(*size);
  const std::size_t bufferBytes = thumb->pixels.size() * sizeof(std::uint32_t);
  if (FAILED(source->CopyPixels(nullptr, static_cast<UINT>(thumb->stride), static_cast<UINT>(bufferBytes),
                                reinterpret_cast<BYTE*>(thumb->pixels.data()))))
    return nullptr;
  return thumb;
}

}  // namespace

std::shared_ptr<Thumb> decodePicture(std::string_view bytes) {
  if (bytes.size() > std::numeric_limits<DWORD>::max()) return nullptr;
  const ComApartment com(COINIT_MULTITHREADED);
  if (!com.usable()) return nullptr;
  // Made per call: cheap next to a decode, and never outlives the COM it was made under.
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())))
    return nullptr;
  return decodeWith(factory.get(), bytes);
}

}  // namespace tarnwick
