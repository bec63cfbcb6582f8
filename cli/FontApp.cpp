#include "cli/FontApp.h"

#include <cstdlib>

#include "viewer/QtGlyphSource.h"

namespace lumora::cli {

std::unique_ptr<TFontApplication> MakeFontApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto fonts = std::make_unique<TFontApplication>();
  fonts->app.emplace(fonts->argc, fonts->argv);
  InstallQtGlyphSource();
  return fonts;
}

}  // namespace lumora::cli
