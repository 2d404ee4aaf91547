#include "CVorlaneApp.h"

int main(int argc, char** argv)
{
    return CVorlaneApp::Main(argc, argv);
}
