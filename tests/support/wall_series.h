// A modelled wall's log as an observation series of channel 1, and its layers as the
// analysis takes them.
#pragma once

#include "analysis/average_method.h"
#include "support/wall_model.h"

namespace kalora::test {

inline analysis::Series series_of(const Logged& logged, int kind) {
  analysis::Series s;
  s.kind = kind;
  for (std::size_t i = 0; i < logged.seconds.size(); ++i) {
    analysis::Observation o;
    o.time = 1700000000 + static_cast<std::int64_t>(logged.seconds[i]);
    o.kind = kind;
    o.q[0] = logged.q[i];
    o.t_in[0] = logged.t_in[i];
    o.t_ext[0] = logged.t_ext[i];
    s.rows.push_back(o);
  }
  return s;
}

inline analysis::Wall wall_of(const ModelWall& w) {
  analysis::Wall wall;
  for (const ModelLayer& l : w.layers) {
    analysis::Layer layer;
    layer.thickness_mm = l.d * 1000;
    layer.lambda = l.lambda;
    layer.rho = l.rho;
    layer.c = l.c;
    wall.layers.push_back(layer);
  }
  return wall;
}

}  // namespace kalora::test
