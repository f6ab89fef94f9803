#include "field_data.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace nurlo {
namespace {

CalculationPlan planOf(Int16 n, Int16 walks, WalkKind walk) {
    CalculationPlan plan;
    plan.problem = Problem::square(n, 1.0);
    plan.walks = walks;
    plan.walk = walk;
    return plan;
}

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

// The numbers and copy of a filling field: nodes so far, z in two decimals ("-0.00" reads 0.00),
// nodes without z apart; copied rows to the last bit with a decimal point under a comma locale,
// NaN for a missing z. Another click's end leaves the field; a later point click clears it.
TEST(FieldData, NumbersAndCopyFollowTheNodesAndOnlyTheFieldsClickEndsIt) {
    FieldData data;
    EXPECT_EQ(fieldNumbersText(data.snapshot()), "Nessun campo intero: premi «Campo intero».");
    EXPECT_FALSE(data.finished(RunState::Completed));
    data.begin(planOf(4, 100, WalkKind::Jump));
    EXPECT_HAS(fieldNumbersText(data.snapshot()), "Soluzione esatta in calcolo");
    data.setExact(FieldLattice{.columns = {}, .rows = {}, .nodes = {{1, 1}, {1, 2}, {2, 1}}},
                  std::vector<double>{0.1, 0.2, 0.30000000000000004});
    data.estimated({{1, 1}, {0.125, 0.0625, 100}, 0.1, 0.4});
    std::string numbers = fieldNumbersText(data.snapshot());
    EXPECT_HAS(numbers, "Campo intero: 1 nodi stimati su 3 (in corso), N = 100, salti esatti");
    EXPECT_HAS(numbers, "z: media 0.40, deviazione standard 0.00, nodi 1");
    data.estimated({{1, 2}, {0.2, 0.0, 100}, 0.2, std::numeric_limits<double>::quiet_NaN()});
    data.estimated({{2, 1}, {0.3, 0.1, 100}, 0.30000000000000004, -0.4000000000000001});
    EXPECT_TRUE(data.finished(RunState::Interrupted));
    EXPECT_FALSE(data.finished(RunState::Failed));  // a later click's end is not the field's
    const FieldSnapshot snapshot = data.snapshot();
    EXPECT_EQ(snapshot.state, RunState::Interrupted);
    numbers = fieldNumbersText(snapshot);
    EXPECT_HAS(numbers, "(interrotto)");
    EXPECT_HAS(numbers, "z: media 0.00, deviazione standard 0.57, nodi 2");
    EXPECT_HAS(numbers, "Nodi senza z (errore standard nullo): 1");

    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before != nullptr ? before : "C";
    const bool comma = std::setlocale(LC_NUMERIC, "it_IT.UTF-8") != nullptr;
    const std::string copied = fieldTsvText(snapshot);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(copied,
              "x0\ty0\tstima\terrore standard\tesatto discreto\tz\n"
              "1\t1\t0.125\t0.0625\t0.1\t0.4\n"
              "1\t2\t0.2\t0\t0.2\tNaN\n"
              "2\t1\t0.3\t0.1\t0.30000000000000004\t-0.4000000000000001\n")
        << (comma ? "under it_IT" : "it_IT missing");

    const std::uint64_t version = data.version();
    data.clear();
    EXPECT_GT(data.version(), version);
    EXPECT_FALSE(data.active());
    EXPECT_TRUE(fieldTsvText(data.snapshot()).empty());
}

// Nodes written by one thread while another takes snapshots: every snapshot holds a prefix of
// the nodes in order, and the last one all of them.
TEST(FieldData, SnapshotsDuringTheWritesHoldAPrefixInOrder) {
    FieldData data;
    data.begin(planOf(200, 10, WalkKind::Lattice));
    FieldLattice lattice;
    for (Int16 i = 1; i < 100; ++i) {
        lattice.nodes.push_back({i, 1});
    }
    const std::vector<Node>& nodes = lattice.nodes;
    data.setExact(lattice, std::vector<double>(nodes.size(), 0.5));
    std::thread writer([&] {
        for (const Node node : nodes) {
            data.estimated({node, {0.5, 0.1, 10}, 0.5, 0.0});
        }
    });
    bool ordered = true;
    std::size_t seen = 0;
    while (seen < nodes.size()) {
        const FieldSnapshot snapshot = data.snapshot();
        for (std::size_t k = 0; k < snapshot.values.size(); ++k) {
            ordered = ordered && snapshot.values[k].node == nodes[k];
        }
        ordered = ordered && snapshot.z.count == static_cast<std::int64_t>(snapshot.values.size());
        seen = snapshot.values.size();
    }
    writer.join();
    EXPECT_TRUE(ordered);
}

}  // namespace
}  // namespace nurlo
