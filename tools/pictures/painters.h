// The eleven bodies' pictures, 1024 x 512 equirectangular maps painted from fixed-seed noise.
#pragma once

#include "tools/bitmap/dib_writer.h"
#include "tools/pictures/geometry.h"

Picture paintSun(const Grid& grid);
IndexedPicture paintMercury(const Grid& grid);
Picture paintVenus(const Grid& grid);
Picture paintEarth(const Grid& grid);
IndexedPicture paintMoon(const Grid& grid);
Picture paintMars(const Grid& grid);
Picture paintJupiter(const Grid& grid);
Picture paintSaturn(const Grid& grid);
Picture paintUranus(const Grid& grid);
Picture paintNeptune(const Grid& grid);
Picture paintPluto(const Grid& grid);
