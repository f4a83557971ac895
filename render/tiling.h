// Geometry shared by the effect modules: the tile grid and its mirrored
// replication (rings: modules/raster/raster_kit.h), rotational symmetry, and the two per-pixel coordinate warps
// ("Parametric" polar map and "Turbulence").
#pragma once
#include <cstdint>

#include "render/draw.h"

namespace ztx {

// The tile grid of a drawing ("X Tiling", "Y Tiling", "Tile Type").
struct TileGrid {
    int32_t xTiling, yTiling;  // at least 1
    int32_t tileType;
    int32_t tileWidth, tileHeight;  // surface size div tiling
};
TileGrid MakeTileGrid(int width, int height, int xTiling, int yTiling, int tileType);

// Whether tile (column, row) is drawn: type 1 only where column + row is odd,
// type 2 only where it is even, types 0 and 3 everywhere.
bool TileDrawn(int column, int row, int tileType);

// Position of a vector drawing's x (already in full-picture units) inside
// tile column c: x / xTiling + c * tileWidth, mirrored in odd columns.
int TiledCoordinate(int value, int tile, int tiling, int tileSize);

// Rotates (x, y) by `angle` radians: x' = x cos a + y sin a,
// y' = y cos a - x sin a, each truncated toward zero.
void RotatePoint(int& x, int& y, float angle);
// Angle between neighbouring symmetric copies: sweep degrees / symmetry,
// with the program's full turn of 6.283 radians.
float SymmetryAngleStep(int sweep, int symmetry);

// Copies the whole source tile ((tileWidth, 0) for tile type 1, else (0, 0))
// into every other tile that passes the tile test, mirrored in odd columns
// and rows.
void ReplicateTile(DrawContext& dc, int xTiling, int yTiling, int tileWidth, int tileHeight, int tileType);

// Per-module warp state; the two tables belong to the module.
struct WarpRecord {
    float directionX = 0, directionY = 0;
    float scale = 0;
    int32_t centerX = 0, centerY = 0;
    int32_t spanX = 0, spanY = 0;  // client width - 1, client height - 1
    const int32_t* columns = nullptr;  // spanX + 1 entries
    const int32_t* rows = nullptr;     // spanY + 1 entries
};

// "Parametric": the pixel's angle about the centre (against the direction)
// becomes x, its distance y.
void PolarMap(const WarpRecord& warp, int& x, int& y);
// "Turbulence" of the given type (0..4; others leave the point alone).
void TurbulenceWarp(const WarpRecord& warp, int& x, int& y, int type);
// Re-initialises the warp for a new cycle from the "Turbulence" control
// (0..100) and the "Turbulence Type" control. Returns whether the warp is
// active this cycle; `cycleType` receives the type to use (a random 0..4 when
// the control is above 4).
bool SetUpTurbulence(WarpRecord& warp, int turbulence, int typeControl, int& cycleType);

}  // namespace ztx
