#pragma once
// Text drawn with system fonts needs Qt's font database and so an
// application object; without a display the offscreen platform serves.

#include <QGuiApplication>

#include <memory>
#include <optional>

namespace lumora::cli {

// The application keeps its arguments for its life.
struct TFontApplication {
  int argc = 1;
  char name[11] = "lumora-cli";
  char* argv[2] = {name, nullptr};
  std::optional<QGuiApplication> app;
};

// Nothing when an application object exists already.
std::unique_ptr<TFontApplication> MakeFontApplication();

}  // namespace lumora::cli
