// The shaver program: its one application object, constructed before the
// program's entry runs, as the framework expects.

#include "app/shaver_app.h"

namespace {

ShaverApp theApp;

}  // namespace
