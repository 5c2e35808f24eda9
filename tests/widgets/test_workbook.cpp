#include <gtest/gtest.h>
int x_placeholder;
