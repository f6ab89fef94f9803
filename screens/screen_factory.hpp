// The table of the program's computing screens, and the factory that reads it.
//
// Each row is one screen: its number and title, its domain, point or section, the menu's button
// that opens it and how to make it. The menu, the program's navigation and the views read the
// table, so a new screen is its class and one row here.
#pragma once

#include <memory>
#include <span>

#include "computing_screen.hpp"
#include "screen_row.hpp"

namespace nurlo {

// Every computing screen, in the order of their numbers.
std::span<const ScreenRow> screenTable();

// The row of screen Form<number>; a number no row has raises std::out_of_range.
const ScreenRow& screenRow(int number);

// Makes screen Form<number> as its row says.
std::unique_ptr<ComputingScreen> createScreen(int number, ScreenContext& context);

}  // namespace nurlo
