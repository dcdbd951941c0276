// Linked against the compiler's runtime DLLs on purpose: the import check
// must reject it.
#include <iostream>
#include <string>

int main()
{
    std::string text = "needs libstdc++";
    std::cout << text << '\n';
    return 0;
}
