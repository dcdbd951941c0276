#include "linked_tree.h"

#include "directory_links.h"
#include "test_files.h"

LinkedTree::LinkedTree(const std::wstring& tree, const std::wstring& outsideFolder)
    : outside(outsideFolder), topLink(tree + L"\\shared"), nestedLink(tree + L"\\data\\cache")
{
}

bool LinkedTree::Build() const
{
    return CreateDirectories(outside + L"\\inner") && WriteFileBytes(outside + L"\\precious.txt", "keep") &&
           WriteFileBytes(outside + L"\\inner\\deep.txt", "keep too") &&
           CreateDirectories(nestedLink.substr(0, nestedLink.find_last_of(L'\\'))) &&
           MakeDirectoryLink(outside, topLink) && MakeDirectoryLink(outside, nestedLink);
}

void LinkedTree::RemoveLinks() const
{
    RemoveDirectoryLink(nestedLink);
    RemoveDirectoryLink(topLink);
}

bool LinkedTree::OutsideUntouched() const
{
    return ReadFileBytes(outside + L"\\precious.txt") == "keep" &&
           ReadFileBytes(outside + L"\\inner\\deep.txt") == "keep too";
}
