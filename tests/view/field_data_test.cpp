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

FieldLattice latticeOf(std::vector<Node> nodes) {
    FieldLattice lattice;
    for (const Node node : nodes) {
        lattice.columns.push_back(node.x);
        lattice.rows.push_back(node.y);
    }
    lattice.nodes = std::move(nodes);
    return lattice;
}

// The numbers and the copy of a field as it fills: the nodes so far, the z summary in two
// decimals ("-0.00" reads 0.00, none reads —), the nodes without z counted apart; the copy's
// rows to the last bit with a decimal point under a decimal-comma locale, NaN where z has no
// yardstick. A click that is not the field's leaves it, and a later point click clears it.
TEST(FieldData, NumbersAndCopyFollowTheNodesAndOnlyTheFieldsClickEndsIt) {
    FieldData data;
    EXPECT_EQ(fieldNumbersText(data.snapshot()), "Nessun campo intero: premi «Campo intero».");
    EXPECT_FALSE(data.finished(RunState::Completed));
    data.begin(planOf(4, 100, WalkKind::Jump));
    EXPECT_NE(fieldNumbersText(data.snapshot()).find("Soluzione esatta in calcolo"),
              std::string::npos);
    const FieldLattice lattice = latticeOf({{1, 1}, {1, 2}, {2, 1}});
    const std::vector<double> exact = {0.1, 0.2, 0.30000000000000004};
    data.setExact(lattice, exact);
    data.estimated({{1, 1}, {0.125, 0.0625, 100}, 0.1, 0.4});
    std::string numbers = fieldNumbersText(data.snapshot());
    EXPECT_NE(numbers.find("Campo intero: 1 nodi stimati su 3 (in corso), N = 100, salti esatti"),
              std::string::npos)
        << numbers;
    EXPECT_NE(numbers.find("z: media 0.40, deviazione standard 0.00, nodi 1"), std::string::npos)
        << numbers;
    data.estimated({{1, 2}, {0.2, 0.0, 100}, 0.2, std::numeric_limits<double>::quiet_NaN()});
    data.estimated({{2, 1}, {0.3, 0.1, 100}, 0.30000000000000004, -0.4000000000000001});
    EXPECT_TRUE(data.finished(RunState::Interrupted));
    EXPECT_FALSE(data.finished(RunState::Failed));  // a later click's end is not the field's
    const FieldSnapshot snapshot = data.snapshot();
    EXPECT_EQ(snapshot.state, RunState::Interrupted);
    numbers = fieldNumbersText(snapshot);
    EXPECT_NE(numbers.find("(interrotto)"), std::string::npos) << numbers;
    EXPECT_NE(numbers.find("z: media 0.00, deviazione standard 0.57, nodi 2"), std::string::npos)
        << numbers;
    EXPECT_NE(numbers.find("Nodi senza z (errore standard nullo): 1"), std::string::npos);

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
    std::vector<Node> nodes;
    for (Int16 i = 1; i < 100; ++i) {
        nodes.push_back({i, 1});
    }
    data.setExact(latticeOf(nodes), std::vector<double>(nodes.size(), 0.5));
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
