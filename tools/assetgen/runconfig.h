// The run-time folder's config.ini, written from the settings table: every
// shipped key at its default, one "key value" line each, in table order.
#pragma once
#include <string>

std::string runConfigText();
