// The whole field's maps: a redraw of the three maps and the histogram of a 64 x 64 field at the
// view's size, on the offscreen platform; goal under 20 ms.
//
//   QT_QPA_PLATFORM=offscreen ./build-release/bench/nurlo_field_maps_bench
//
// BM_FieldMapsRedraw paints what is already there (the timer's redraw while nothing came in);
// BM_FieldMapsFill takes a snapshot whose 4096 nodes are all new, sets their pixels and paints.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "field_maps.hpp"

namespace {

using namespace nurlo;

FieldSnapshot fieldOf64() {
    FieldSnapshot snapshot;
    snapshot.active = true;
    snapshot.state = RunState::Completed;
    snapshot.plan.problem = {.domain = WalkDomain::lShaped(1000, 1000, 500, 500),
                             .lx = 1.0,
                             .ly = 1.0,
                             .datum = BoundaryDatum::ExpXSiny};
    snapshot.plan.walks = 1000;
    const FieldLattice lattice = fieldLattice(snapshot.plan.problem.domain);
    std::vector<double> exact;
    for (const Node node : lattice.nodes) {
        exact.push_back(std::exp(node.x / 1000.0) * std::sin(node.y / 1000.0));
    }
    int k = 0;
    for (const Node node : lattice.nodes) {
        const double z = std::sin(k++ * 12.9898) * 2.0;
        const Estimate estimate{exact[static_cast<std::size_t>(k - 1)] + z * 1e-3, 1e-3, 1000};
        snapshot.values.push_back({node, estimate, exact[static_cast<std::size_t>(k - 1)], z});
    }
    snapshot.lattice = std::make_shared<const FieldLattice>(lattice);
    snapshot.exact = std::make_shared<const std::vector<double>>(std::move(exact));
    return snapshot;
}

void BM_FieldMapsRedraw(benchmark::State& state) {
    FieldMaps maps;
    maps.resize(1040, 380);
    maps.show(fieldOf64());
    QImage target(maps.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        maps.render(&target);
    }
}
BENCHMARK(BM_FieldMapsRedraw)->Unit(benchmark::kMillisecond);

void BM_FieldMapsFill(benchmark::State& state) {
    FieldMaps maps;
    maps.resize(1040, 380);
    const FieldSnapshot full = fieldOf64();
    FieldSnapshot empty = full;
    empty.values.clear();
    empty.lattice = std::make_shared<const FieldLattice>(*full.lattice);  // a new field
    QImage target(maps.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        maps.show(empty);
        maps.show(full);
        maps.render(&target);
        empty.lattice = std::make_shared<const FieldLattice>(*full.lattice);
    }
}
BENCHMARK(BM_FieldMapsFill)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
