#include "scene/GLTexture.h"

#include <cstring>

#include "geometry/GLMatrix.h"
#include "scene/GLHeaders.h"

namespace lumora {

// ---- TGLBaseBitmap ----

TGLBaseBitmap::~TGLBaseBitmap() {
  if (textureName_) glDeleteTextures(1, &textureName_);
}

uint32_t TGLBaseBitmap::TextureName() {
  if (!textureName_) glGenTextures(1, &textureName_);
  return textureName_;
}

void TGLBaseBitmap::ImageChanged() {
  if (OnImageChange) OnImageChange(*this);
}

void TGLBaseBitmap::LoadFromBitmap(const TBitmap32& bitmap) {
  Pixels.clear();
  Pixels.reserve(static_cast<size_t>(bitmap.Width) * bitmap.Height * 4);
  for (int y = bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width; ++x, p += 4) {
      Pixels.push_back(p[2]);
      Pixels.push_back(p[1]);
      Pixels.push_back(p[0]);
      Pixels.push_back(255);
    }
  }
  ImageWidth = bitmap.Width;
  ImageHeight = bitmap.Height;
  ImageChanged();
}

void TGLBaseBitmap::LoadFromResource(std::string_view name) {
  TBitmap32 bitmap;
  if (!LoadResourceBitmap(name, bitmap)) throw ETextureError("Resource " + std::string(name) + " not found");
  LoadFromBitmap(bitmap);
}

void TGLBaseBitmap::Assign(const TGLBaseBitmap& other) {
  if (&other == this) return;
  Pixels = other.Pixels;
  ImageWidth = other.ImageWidth;
  ImageHeight = other.ImageHeight;
  TextureEnabled = other.TextureEnabled;
  ImageChanged();
}

// ---- TGLCubeMap ----

TGLCubeMap::TGLCubeMap() {
  for (auto& face : Faces) face.OnImageChange = [this](TGLBaseBitmap&) { CubeUploaded = false; };
}

void TGLCubeMap::SetCubeScale(const T3DVector& scale) {
  if (Equal(scale, CubeScale)) return;
  CubeScale = scale;
  CubeUploaded = false;
}

void TGLCubeMap::Upload() {
  glBindTexture(GL_TEXTURE_CUBE_MAP, Faces[0].TextureName());
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  for (int i = 0; i < 6; ++i) {
    const TGLBaseBitmap& f = Faces[i];
    gluBuild2DMipmaps(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 3, f.ImageWidth, f.ImageHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                      f.Pixels.data());
  }
  CubeUploaded = true;
}

void TGLCubeMap::Begin() {
  if (!CubeUploaded) Upload();
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_CUBE_MAP, Faces[0].TextureName());
  glEnable(GL_TEXTURE_CUBE_MAP);
  glScalef(static_cast<float>(CubeScale.x), static_cast<float>(CubeScale.y), static_cast<float>(CubeScale.z));
  glTranslatef(static_cast<float>(CubeOffset.x), static_cast<float>(CubeOffset.y), static_cast<float>(CubeOffset.z));
  const GLint mode = CubeGenMode == 0 ? GL_OBJECT_LINEAR : GL_REFLECTION_MAP;
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, mode);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, mode);
  glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, mode);
  if (CubeGenMode == 0) {
    glTexGenfv(GL_R, GL_OBJECT_PLANE, PlaneR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, PlaneS);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, PlaneT);
  }
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_GEN_R);
  glMatrixMode(GL_MODELVIEW);
}

void TGLCubeMap::End() {
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
  glDisable(GL_TEXTURE_CUBE_MAP);
}

// ---- TGLObjectTexture ----

TGLObjectTexture::TGLObjectTexture() : CubeMap(std::make_unique<TGLCubeMap>()) {
  OnImageChange = [this](TGLBaseBitmap&) { ImageUploaded = false; };
}

void TGLObjectTexture::TextureChanged() {
  if (OnTextureChange) OnTextureChange(*this);
}

void TGLObjectTexture::Assign(const TGLBaseBitmap& other) {
  TGLBaseBitmap::Assign(other);
  if (auto* t = dynamic_cast<const TGLObjectTexture*>(&other); t && t != this) {
    TextureMode = t->TextureMode;
    WrapMode = t->WrapMode;
    mappingType_ = t->mappingType_;
    texScale_ = t->texScale_;
    texOffset_ = t->texOffset_;
    turnAngle_ = t->turnAngle_;
    tiltAngle_ = t->tiltAngle_;
    planeAngle_ = t->planeAngle_;
    TexCoords.Assign(t->TexCoords);
  }
  ImageUploaded = false;
}

void TGLObjectTexture::SetMappingType(uint8_t v) {
  if (v == mappingType_) return;
  mappingType_ = v;
  TextureChanged();
}

void TGLObjectTexture::SetTexScale(const T2DVector& v) {
  if (Equal(v, texScale_)) return;
  texScale_ = v;
  TextureChanged();
}

void TGLObjectTexture::SetTexOffset(const T2DVector& v) {
  if (Equal(v, texOffset_)) return;
  texOffset_ = v;
  TextureChanged();
}

void TGLObjectTexture::SetTurnAngle(double v) {
  if (v == turnAngle_) return;
  turnAngle_ = v;
  TextureChanged();
}

void TGLObjectTexture::SetTiltAngle(double v) {
  if (v == tiltAngle_) return;
  tiltAngle_ = v;
  TextureChanged();
}

void TGLObjectTexture::SetPlaneAngle(double v) {
  if (v == planeAngle_) return;
  planeAngle_ = v;
  TextureChanged();
}

uint32_t TGLObjectTexture::GLWrap(uint8_t wrapMode) {
  switch (wrapMode) {
    case 1:
      return GL_CLAMP;
    case 3:
      return GL_CLAMP_TO_EDGE;
    case 4:
      return GL_CLAMP_TO_BORDER;
    case 5:
      return GL_MIRRORED_REPEAT;
    case 6:
      return GL_MIRROR_CLAMP_TO_EDGE_EXT;
    default:
      return GL_REPEAT;
  }
}

void TGLObjectTexture::Upload() {
  glBindTexture(GL_TEXTURE_2D, TextureName());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, ImageWidth, ImageHeight, GL_RGBA, GL_UNSIGNED_BYTE, Pixels.data());
  ImageUploaded = true;
}

void TGLObjectTexture::TextureBegin() {
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, SeparateSpecular ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
  if (!ImageUploaded) Upload();
  if (TextureMode == 1) {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    // The parameters belong to the bound texture object.
    glBindTexture(GL_TEXTURE_2D, TextureName());
    const GLint wrap = static_cast<GLint>(GLWrap(WrapMode));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    const TGLColor border = ColorToGL(BorderColor, 1);
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, &border.r);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_TEXTURE_2D);
  } else if (TextureMode == 2) {
    CubeMap->Begin();
  }
}

void TGLObjectTexture::TextureEnd() {
  if (TextureMode == 2)
    CubeMap->End();
  else
    glDisable(GL_TEXTURE_2D);
}

void TGLObjectTexture::BuildCoords(const THuge3DVector& vertices) {
  TexCoords.Clear();
  TexCoords.SetCapacity(std::max(vertices.Count(), 1));
  const TQuaternion q = FromEuler(-tiltAngle_, turnAngle_, planeAngle_);
  for (int i = 0; i < vertices.Count(); ++i) {
    const T3DVector r = RotateVector(q, vertices[i]);
    TexCoords.Add(T2DVector{r.x * texScale_.x - texOffset_.x, r.y * texScale_.y - texOffset_.y});
  }
}

}  // namespace lumora
