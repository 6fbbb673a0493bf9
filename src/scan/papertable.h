#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The paper sizes the scanner window offers, by TWSS code: the name shown for each and, where
// one is known, the size in inches sent to the source as its frame.
const std::map<int, std::string>& PaperNames();
const std::map<int, std::pair<float, float>>& PaperSizes();

// The codes to offer from what the two size queries (feeder off, feeder on) gave: without any
// answer A4, A5 and JIS B5; ISO B5 always. Codes appear once, in the order they came.
std::vector<int> PaperChoices(bool flatbedAnswered, bool feederAnswered, std::vector<int> codes);
