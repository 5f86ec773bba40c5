// Headers nearly every test program includes; parsed once for all of them.
#pragma once

#include <gtest/gtest.h>

#include <QtCore>
#include <QtGui>
#include <QtTest>
#include <QtWidgets>
