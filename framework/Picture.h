#pragma once

#include <cstdint>
#include <memory>

namespace fw {

// A decoded bitmap. Each backend keeps its own pixels behind it.
class Picture {
 public:
  Picture(int32_t width, int32_t height) : width_(width), height_(height) {}
  virtual ~Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  int32_t width_;
  int32_t height_;
};

using PicturePtr = std::shared_ptr<Picture>;

}  // namespace fw
