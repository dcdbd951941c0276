// A program that only carries resources for the tests to read.
int wmain()
{
    return 0;
}
