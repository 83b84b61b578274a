#include "app/Application.h"

int main(int argc, char** argv) {
    return pelan::runPelan(argc, argv);
}
