// Test sources: one that returns given values in order, and one that counts its calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace nurlo::test {

// Returns the scripted draws in order, to every source forked or split from it alike (they share
// one script), and records how many reseeds and draws it saw. Running out of script is a test
// failure, reported by an exception.
class ScriptedSource {
public:
    explicit ScriptedSource(std::vector<double> draws)
        : state_(std::make_shared<State>(State{std::move(draws), 0, 0})) {}

    void reseed() { ++state_->reseeds; }
    double next() {
        if (state_->position >= state_->draws.size()) {
            throw std::logic_error("ScriptedSource: script exhausted");
        }
        if (state_->reseeds != state_->position + 1) {
            throw std::logic_error("ScriptedSource: a draw without a reseed just before it");
        }
        return state_->draws[state_->position++];
    }
    ScriptedSource fork() { return *this; }
    ScriptedSource split(std::uint64_t) const { return *this; }

    std::size_t draws() const { return state_->position; }
    std::size_t reseeds() const { return state_->reseeds; }

private:
    struct State {
        std::vector<double> draws;
        std::size_t position;
        std::size_t reseeds;
    };
    std::shared_ptr<State> state_;
};

}  // namespace nurlo::test
