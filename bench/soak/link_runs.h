// One soak transfer each: a file between two sio-transfer processes over a faulty relay, or a
// memo downloaded from the phone simulator with its own line faults.
#pragma once

#include <string>

#include "bench/soak/outcome.h"
#include "bench/soak/soak_options.h"

namespace soak {

Outcome run_sio_transfer(const Options& options, const std::string& protocol, const Noise& noise, unsigned seed);
Outcome run_phone_download(const Options& options, const Noise& noise, unsigned seed);

}  // namespace soak
