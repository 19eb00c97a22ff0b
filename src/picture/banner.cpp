#include "picture/banner.h"

#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "rtl/streams.h"

namespace vitrix {

void LoadInitialBanner(TPicture& picture) {
  const std::string_view stored = InitialBannerStored();
  TMemoryStream stream;
  stream.WriteBuffer(stored.data(), static_cast<int64_t>(stored.size()));
  stream.SetPosition(0);
  auto banner = std::make_unique<TJPEGImage>();
  banner->ReadStored(stream);
  picture.SetGraphic(std::move(banner));
}

}  // namespace vitrix
