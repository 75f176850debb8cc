// Whether the PC's network is up, asked after a resume before the check runs.
#pragma once

namespace pw {

class NetworkState {
 public:
  virtual ~NetworkState() = default;
  // An interface other than the loopback is up and has an address.
  virtual bool Up() = 0;
};

}  // namespace pw
