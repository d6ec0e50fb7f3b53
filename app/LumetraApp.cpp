// The program's application object, built before start-up.
#include "app/LumetraApp.h"

CLumetraApp theApp;
