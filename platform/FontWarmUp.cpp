#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <thread>

void WarmUpFontConfig() {
    // The library reads its configuration once, whichever thread asks first.
    std::thread([] { FcInit(); }).detach();
}
