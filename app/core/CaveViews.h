#pragma once
// The standard views of a cave frame and the camera arithmetic the view's
// keys and overlays share: plan, elevations along the compass directions,
// fitting the cave to the view at any orientation, zoom steps, and the
// bearing, tilt and scale of the view. No GL: everything works from the
// frame's own transform and the fixed camera (eye at z 10, 1000 pixels per
// unit at distance 1).

#include <vector>

#include "app/core/GLCave.h"

namespace lumora {

// Looking down, north up, east to the right.
void SetPlanView(TGLFrame& frame);
// Looking along a compass bearing in degrees (0 north, 90 east), level.
void SetElevationView(TGLFrame& frame, double bearing);

// Where a point of the frame lands in a view of width x height pixels, y
// down; z is its distance in front of the eye (not positive: behind it).
T3DVector ScreenPoint(const TGLFrame& frame, const T3DVector& local, double width, double height);

// The points that make the cave's extent: wall corners (a sample of them
// on big caves) or, without walls, the shot ends.
std::vector<T3DVector> ExtentPoints(const TCaveScene& scene);
// Moves the frame so the points fill the view at the frame's orientation,
// with a margin; nothing happens without points.
void FitView(TGLFrame& frame, const std::vector<T3DVector>& points, double width, double height);

// Nearer by `factor` (1.1 is ten percent bigger on screen); below 1 farther.
void ZoomView(TGLFrame& frame, double factor);

// Compass bearing the view looks along in degrees [0, 360); looking
// straight down it is the bearing of the screen's up.
double ViewBearing(const TGLFrame& frame);
// Degrees below the horizon the view looks: 0 level, 90 straight down.
double ViewTilt(const TGLFrame& frame);
// Pixels per scene unit at the centre of the frame's contents.
double ViewScale(const TGLFrame& frame);

}  // namespace lumora
