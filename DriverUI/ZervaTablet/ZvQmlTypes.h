// The types the main page and its pages import, registered once before the main page is loaded
// (by the program, and by the tests that load the same pages).
#pragma once

void zv_register_app_types();
