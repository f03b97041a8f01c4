// The file calls behind the save seam: the real ones, but for one injected
// failure, as a disk gives it.
#pragma once

enum class file_call { none, write, fsync, ftruncate, copy_acl };  // write: pwrite too

struct file_fault {
    file_call call = file_call::none;
    int nth = 1;       // which call of that kind fails, counting from 1
    int error = 0;     // its errno; 0: a write that writes nothing and says nothing
    bool short_before = false;  // the writes before it write only half
    bool and_after = false;     // every later call of that kind fails too
};

// Makes the calls from now on fail as `fault` says; file_fault{} ends it.
void inject_file_fault(const file_fault &fault);
