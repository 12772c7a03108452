// Links the worker and its configuration binding; prints a line once main runs. Started by
// LoaderTest from folders without a usable libconfstore, where it must never get here.
#include "ZvTabletThread.h"

#include <stdio.h>

int main() {
    printf("main ran, store at %s\n", ZvTabletThread::_cfg.appPath());
    return 0;
}
