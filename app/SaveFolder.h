#pragma once

// Where "save on disk D:" writes: the user's pictures folder. Without a home folder (HOME unset
// or empty) it is the current folder if that can be written, else there is none, and `note`
// says so; never a path made from an empty home such as "/Pictures".

#include <QString>

struct SaveFolder {
    QString path; // empty: there is nowhere to save
    QString note; // what the user should know about the choice; usually empty
};

SaveFolder chooseSaveFolder();
