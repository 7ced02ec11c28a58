#pragma once

// The images of this session, as recipes, for going back and forth: the newest last, at most
// `capacity` of them (the oldest is forgotten first). One of them is the image on the canvas;
// a new image is always added at the end, wherever the user had gone back to.

#include "ImageFile.h"
#include "Recipe.h"

#include <QString>
#include <deque>

class History {
public:
    static constexpr int capacity = 100;

    struct Entry {
        Recipe recipe;  // the image's recipe, replacements included
        ImageFile file; // the file its saves write, chosen by its first save
    };

    // Adds a new image at the end and makes it the current one.
    void add(const Recipe& recipe);
    // Moves to the image before or after the current one; false when there is none.
    bool back();
    bool forward();

    // The image on the canvas; nullptr before the first.
    Entry* current() { return empty() ? nullptr : &entries_[std::size_t(position_)]; }
    const Entry* current() const { return empty() ? nullptr : &entries_[std::size_t(position_)]; }
    bool empty() const { return entries_.empty(); }
    int size() const { return int(entries_.size()); }
    int position() const { return position_; } // of the current image, 0 the oldest kept

private:
    std::deque<Entry> entries_;
    int position_ = -1;
};
