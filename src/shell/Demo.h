#pragma once
#include <memory>
#include <string>

class EcmSim;
class TfMain;

// quorvin --demo: a simulated engine module in this process, on a pseudo-terminal of its own,
// and the sample vehicle, so that everything can be tried without a car or any setting.
class TDemoModule {
public:
    TDemoModule(); // starts the simulator, echoing as the settings expect of the interface
    ~TDemoModule();
    TDemoModule(const TDemoModule&) = delete;
    TDemoModule& operator=(const TDemoModule&) = delete;

    std::string Device() const;
    // Points the window's port at the simulator, shows the window, opens the sample vehicle
    // unless it is open already and picks its repeating engine data macro.
    void Show(TfMain& window);

private:
    std::unique_ptr<EcmSim> sim_;
};
