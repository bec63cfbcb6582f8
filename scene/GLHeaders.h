#pragma once
// One place that pulls in the fixed-function GL, GLU and the extension
// prototypes. Mesa's libGL exports every entry point we use, so no runtime
// lookup is needed.

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
