#pragma once

#include <string>

// A tree that holds folder links, one at its top ("shared") and one further
// down ("data\cache"), both to a folder outside it whose files must survive
// whatever is done to the tree.  Used by every test of a remover.
struct LinkedTree {
    std::wstring outside;
    std::wstring topLink;
    std::wstring nestedLink;

    LinkedTree(const std::wstring& tree, const std::wstring& outsideFolder);

    // Makes the outside folder with its files, the tree's "data" folder and
    // both links; false when any of it fails.
    bool Build() const;
    void RemoveLinks() const;
    // Whether the outside folder still holds exactly what Build put there.
    bool OutsideUntouched() const;
};
