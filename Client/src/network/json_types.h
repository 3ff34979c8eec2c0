#pragma once

#include <QMetaType>

#include <nlohmann/json.hpp>

// Session replies travel through Qt signals as parsed JSON.
Q_DECLARE_METATYPE(nlohmann::json)
