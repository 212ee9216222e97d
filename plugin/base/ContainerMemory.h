// Where the containers take the records they link: the host's memory
// manager, like the host's own containers, so that exhaustion raises the
// host's out-of-memory exception. A container made while no host runtime is
// loaded uses the process heap for its whole life instead.
#pragma once

#include <cstddef>

namespace toravex {

class ContainerMemory {
public:
    ContainerMemory();
    void* Allocate(size_t size);
    void Release(void* block);

private:
    bool host_;
};

}  // namespace toravex
