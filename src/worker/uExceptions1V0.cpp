// The one failure class of the worker.
#include "worker/uExceptions1V0.h"

ETarv::ETarv(std::int32_t iCode) : std::runtime_error(""), iException(iCode) {}

ETarv::ETarv(std::int32_t iCode, const std::string& sMsg)
    : std::runtime_error(sMsg), iException(iCode) {}

ETarv::ETarv(std::int32_t iCode, std::int32_t iInfo)
    : std::runtime_error(std::to_string(iInfo)), iException(iCode) {}
