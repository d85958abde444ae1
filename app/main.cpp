// The program takes no arguments and has no configuration: the service's host is
// fixed when it is built.
#include "app/program.h"

int main() { return ximing::runProgram({XIMING_SERVICE_HOST, XIMING_SITE_HOST}); }
