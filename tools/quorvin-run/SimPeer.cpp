#include "SimPeer.h"

#include "ecm-sim/EcmSim.h"

struct TSimPeer::Impl {
    EcmSim sim;
    explicit Impl(const EcmSimOptions& o) : sim(o) {}
};

TSimPeer::TSimPeer(const TSimSettings& s) {
    EcmSimOptions o;
    o.echo = s.Echo;
    o.chatter = s.Chatter;
    if (!s.Heartbeat.empty())
        o.heartbeat = s.Heartbeat;
    if (s.Stream160) {
        o.stream160 = true;
        o.sampleBaud = s.Stream160;
    }
    impl_ = std::make_unique<Impl>(o);
    impl_->sim.Start();
    path_ = impl_->sim.SlavePath();
}

TSimPeer::~TSimPeer() {
    impl_->sim.Stop();
}
