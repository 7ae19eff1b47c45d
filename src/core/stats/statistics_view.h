#pragma once

#include <string>

namespace qova {

// The seven statistic texts of the main window, by control number
// (1011, 1012, 1013, 1015, 1016, 1017, 1018).
class StatisticsView {
  public:
    virtual ~StatisticsView() = default;
    virtual void SetStatisticText(int controlId, const std::string& text) = 0;
};

} // namespace qova
