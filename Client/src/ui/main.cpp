#include "ui/client_startup.h"

int main(int argc, char** argv) {
    return nimbral::runClient(argc, argv);
}
