// The size of the screen the whole demo is laid out for, in pixels. World y grows upwards and
// is mirrored against this fixed height when a particle is drawn (never read from the display);
// the application takes the display to this size and centres the sparkler on it.
#pragma once

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int screenCentreX = screenWidth / 2;
constexpr int screenCentreY = screenHeight / 2;
