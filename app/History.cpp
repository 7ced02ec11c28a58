#include "History.h"

void History::add(const Recipe& recipe) {
    entries_.push_back({recipe, {}});
    if (int(entries_.size()) > capacity)
        entries_.pop_front();
    position_ = int(entries_.size()) - 1;
}

bool History::back() {
    if (position_ <= 0)
        return false;
    --position_;
    return true;
}

bool History::forward() {
    if (position_ < 0 || position_ + 1 >= int(entries_.size()))
        return false;
    ++position_;
    return true;
}
