#include <GL/gl.h>

#include <cmath>

#include "app/body.h"

// Every sine and cosine depends only on a band edge or a column index and on the segment count,
// and every vertex on an inner band edge is shared by the band below and the band above. So the
// angle tables are built once per segment count (every body has the same one) and each edge's
// vertices are computed once per call, then sent twice. The values are the very bits a per-vertex
// evaluation gives: same float angles, same double-precision sin/cos, same roundings.

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;
constexpr int kMaxColumns = static_cast<int>(Body::kMaxSegments) + 1;
constexpr int kMaxEdges = static_cast<int>(Body::kMaxSegments) / 2 + 1;

float sinOf(float angle) {
  return static_cast<float>(std::sin(static_cast<double>(angle)));
}
float cosOf(float angle) {
  return static_cast<float>(std::cos(static_cast<double>(angle)));
}

// Sines, cosines and texture coordinates of every column (longitude j * 2pi / S, s = -(j / S))
// and every band edge (latitude k * 2pi / S - pi/2, t = 2k / S) for one segment count.
struct AngleTables {
  float segments = 0.0f;  // never a drawable count, so the first sphere builds the tables
  int columnCount = 0;
  int edgeCount = 0;
  float columnCos[kMaxColumns], columnSin[kMaxColumns], columnS[kMaxColumns];
  float edgeCos[kMaxEdges], edgeSin[kMaxEdges], edgeT[kMaxEdges];
};

void buildTables(AngleTables& tables, float segments) {
  const double s = segments;
  tables.segments = segments;
  // Plain comparisons with S, as the loops they replace: j <= S and i < S / 2 for band i.
  tables.columnCount = 0;
  for (int j = 0; j <= s; ++j) {
    const float lambda = static_cast<float>(j * static_cast<double>(kTwoPi) / s);
    tables.columnCos[j] = cosOf(lambda);
    tables.columnSin[j] = sinOf(lambda);
    tables.columnS[j] = static_cast<float>(-(j / s));
    tables.columnCount = j + 1;
  }
  int bandCount = 0;
  while (bandCount < s / 2) ++bandCount;
  tables.edgeCount = bandCount + 1;
  for (int k = 0; k < tables.edgeCount; ++k) {
    const float phi = static_cast<float>(k * static_cast<double>(kTwoPi) / s - kHalfPi);
    tables.edgeCos[k] = cosOf(phi);
    tables.edgeSin[k] = sinOf(phi);
    tables.edgeT[k] = static_cast<float>(2.0 * k / s);
  }
}

const AngleTables& tablesFor(float segments) {
  static AngleTables tables;
  if (tables.segments != segments) buildTables(tables, segments);
  return tables;
}

// The vertices of one band edge, one per column. The normal's y, the vertex's y and the texture t
// are the same along the whole edge.
struct Edge {
  float normalY, vertexY, t;
  float normalX[kMaxColumns];
  float normalZ[kMaxColumns];
  float vertexX[kMaxColumns];
  float vertexZ[kMaxColumns];
};

void fillEdge(Edge& edge, int k, const AngleTables& tables, float r, const Vec3& p) {
  const float cosPhi = tables.edgeCos[k];
  const double rd = r;
  edge.normalY = tables.edgeSin[k];
  edge.vertexY = static_cast<float>(rd * edge.normalY + p.y);
  edge.t = tables.edgeT[k];
  for (int j = 0; j < tables.columnCount; ++j) {
    const float nx = cosPhi * tables.columnCos[j];
    const float nz = cosPhi * tables.columnSin[j];
    edge.normalX[j] = nx;
    edge.normalZ[j] = nz;
    edge.vertexX[j] = static_cast<float>(rd * nx + p.x);
    edge.vertexZ[j] = static_cast<float>(rd * nz + p.z);
  }
}

void sendVertex(const Edge& edge, const float* columnS, int j) {
  glNormal3f(edge.normalX[j], edge.normalY, edge.normalZ[j]);
  glTexCoord2f(columnS[j], edge.t);
  glVertex3f(edge.vertexX[j], edge.vertexY, edge.vertexZ[j]);
}

// Mesa keeps about 12 bytes for every vertex sent between glBegin and glEnd in selection mode and
// never gives them back, some 3.5 MB a click. Vertices drawn from client arrays it does not keep,
// so the pick pass sends the very same floats that way instead.

// One vertex laid out as GL_T2F_N3F_V3F.
struct ArrayVertex {
  float s, t, nx, ny, nz, x, y, z;
};

ArrayVertex arrayVertex(const Edge& edge, const float* columnS, int j) {
  return {columnS[j],      edge.t,          edge.normalX[j], edge.normalY,
          edge.normalZ[j], edge.vertexX[j], edge.vertexY,    edge.vertexZ[j]};
}

void drawBandFromArray(const Edge& upper, const Edge& lower, const AngleTables& tables) {
  static ArrayVertex strip[2 * kMaxColumns];
  int count = 0;
  for (int j = 0; j < tables.columnCount; ++j) {
    strip[count++] = arrayVertex(upper, tables.columnS, j);
    strip[count++] = arrayVertex(lower, tables.columnS, j);
  }
  glInterleavedArrays(GL_T2F_N3F_V3F, 0, strip);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, count);
}

// One band between two edges: a strip, upper vertex first in every column.
void sendBand(const Edge& upper, const Edge& lower, const AngleTables& tables, VertexPath path) {
  if (path == VertexPath::clientArrays) {
    drawBandFromArray(upper, lower, tables);
    return;
  }
  glBegin(GL_TRIANGLE_STRIP);
  for (int j = 0; j < tables.columnCount; ++j) {
    sendVertex(upper, tables.columnS, j);
    sendVertex(lower, tables.columnS, j);
  }
  glEnd();
}

void drawPoint(const Vec3& p, VertexPath path) {
  if (path == VertexPath::clientArrays) {
    const float point[3] = {p.x, p.y, p.z};
    glInterleavedArrays(GL_V3F, 0, point);
    glDrawArrays(GL_POINTS, 0, 1);
    return;
  }
  glBegin(GL_POINTS);
  glVertex3f(p.x, p.y, p.z);
  glEnd();
}

}  // namespace

void Body::draw(VertexPath path) {
  if (radius < 0) radius = -radius;
  if (segments < 0) segments = -segments;
  if (segments < 4 || radius <= 0 || segments > kMaxSegments) {
    drawPoint(position, path);
    return;
  }
  const AngleTables& tables = tablesFor(segments);
  // Two edge buffers in turn: band i runs from edge i (lower) to edge i + 1 (upper).
  Edge edges[2];
  fillEdge(edges[0], 0, tables, radius, position);
  for (int i = 0; i + 1 < tables.edgeCount; ++i) {
    Edge& lower = edges[i % 2];
    Edge& upper = edges[(i + 1) % 2];
    fillEdge(upper, i + 1, tables, radius, position);
    // The same name every band: each band's calls stand alone, bind included, as they always have.
    glBindTexture(GL_TEXTURE_2D, textureId);
    sendBand(upper, lower, tables, path);
  }
}
