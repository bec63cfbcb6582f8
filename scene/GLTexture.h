#pragma once
// Textures of renderers: an RGBA image uploaded lazily with mipmaps,
// planar texture coordinates for meshes, and a cube map with generated
// coordinates. GL names are made on the first upload, so textures can be
// built and filled without a GL context.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/HugeArry.h"
#include "geometry/Vector.h"
#include "images/Bitmap32.h"

namespace lumora {

class ETextureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TGLBaseBitmap {
 public:
  using ImageEvent = std::function<void(TGLBaseBitmap&)>;

  TGLBaseBitmap() = default;
  virtual ~TGLBaseBitmap();
  TGLBaseBitmap(const TGLBaseBitmap&) = delete;
  TGLBaseBitmap& operator=(const TGLBaseBitmap&) = delete;

  void LoadFromBitmap(const TBitmap32& bitmap);
  // Throws ETextureError for a name the program does not carry.
  void LoadFromResource(std::string_view name);
  virtual void Assign(const TGLBaseBitmap& other);
  void ImageChanged();
  // The GL texture name, generated on first use.
  uint32_t TextureName();

  std::vector<uint8_t> Pixels;  // R, G, B, A per pixel, rows bottom-up
  int ImageWidth = 0, ImageHeight = 0;
  bool TextureEnabled = false;
  ImageEvent OnImageChange;

 private:
  uint32_t textureName_ = 0;
};

class TGLCubeMap {
 public:
  TGLCubeMap();

  void SetCubeScale(const T3DVector& scale);
  void Upload();
  void Begin();
  void End();

  float PlaneS[4] = {1, 0, 0, 0};
  float PlaneT[4] = {0, 1, 0, 0};
  float PlaneR[4] = {0, 0, 1, 0};
  bool CubeUploaded = false;
  uint8_t CubeGenMode = 0;  // 0 object-linear, 1 reflection map
  T3DVector CubeScale{1, 1, 1};
  T3DVector CubeOffset;
  TGLBaseBitmap Faces[6];  // +X, -X, +Y, -Y, +Z, -Z
};

class TGLObjectTexture : public TGLBaseBitmap {
 public:
  using TextureEvent = std::function<void(TGLObjectTexture&)>;

  TGLObjectTexture();

  void Assign(const TGLBaseBitmap& other) override;

  uint8_t MappingType() const { return mappingType_; }
  void SetMappingType(uint8_t v);
  T2DVector TexScale() const { return texScale_; }
  void SetTexScale(const T2DVector& v);
  T2DVector TexOffset() const { return texOffset_; }
  void SetTexOffset(const T2DVector& v);
  double TurnAngle() const { return turnAngle_; }
  void SetTurnAngle(double v);
  double TiltAngle() const { return tiltAngle_; }
  void SetTiltAngle(double v);
  double PlaneAngle() const { return planeAngle_; }
  void SetPlaneAngle(double v);

  void Upload();
  void TextureBegin();
  void TextureEnd();
  // Planar coordinates, one per vertex, in the owner's own coordinates.
  void BuildCoords(const THuge3DVector& vertices);
  // The GL wrap of a WrapMode value.
  static uint32_t GLWrap(uint8_t wrapMode);

  TextureEvent OnTextureChange;
  bool ImageUploaded = false;
  bool CoordsValid = false;
  bool SeparateSpecular = false;
  uint32_t BorderColor = 0xC0C0C0;
  THuge2DVector TexCoords;
  uint8_t TextureMode = 0;  // 1 explicit coordinates, 2 cube map
  uint8_t WrapMode = 2;
  std::unique_ptr<TGLCubeMap> CubeMap;

 private:
  void TextureChanged();

  uint8_t mappingType_ = 0;
  T2DVector texScale_{1, 1};
  T2DVector texOffset_{0, 0};
  double turnAngle_ = 0, tiltAngle_ = 0, planeAngle_ = 0;
};

// The program's own bitmaps ("TEXTURE1", "BRAMBLE"), decoded; false for
// any other name.
bool LoadResourceBitmap(std::string_view name, TBitmap32& bitmap);
// Decodes an uncompressed Windows bitmap of 4, 8, 24 or 32 bits per pixel.
// Throws ETextureError when the data is not one.
TBitmap32 DecodeBitmap(const uint8_t* data, size_t size);

}  // namespace lumora
