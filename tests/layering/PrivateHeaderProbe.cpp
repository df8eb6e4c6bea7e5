// Included by a program that links every library: a module's private header must
// not be found from outside the module.
#include PRIVATE_HEADER
