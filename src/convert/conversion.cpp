#include "convert.hpp"

namespace tolvane {

namespace {

struct conversion_state {
    dump_reader reader;
    output_file mem;
    coe_writer coe;
};

conversion convert_lines(conversion_state& state)
{
    word_line line;
    read_status status;
    while ((status = read_word_line(state.reader, line)) == read_status::line) {
        const dump_mode mode = dump_mode_of(line.width);
        if (mode == dump_mode::none)
            return {outcome::bad_line, line.width};
        write_mem_line(state.mem, line, lane_width_of(mode));
        write_coe_value(state.coe, mode, line);
        // Once a disk is full there is no point in reading the rest. Which
        // output to name is decided when both have been closed.
        if (state.mem.failed || state.coe.out.failed)
            return {outcome::mem_write_failed, 0};
    }
    if (status == read_status::read_error)
        return {outcome::read_failed, 0};
    finish_coe(state.coe);
    return {outcome::done, 0};
}

} // namespace

conversion convert_dump(std::FILE* dump, std::FILE* mem, std::FILE* coe)
{
    // The buffers are large, so they live on the heap, allocated once a run;
    // they are filled as the dump is read, so they are not cleared first.
    std::unique_ptr<conversion_state> state{new conversion_state};
    state->reader.stream = dump;
    state->mem.stream = mem;
    state->coe.out.stream = coe;
    // Each stream is read or written in large blocks from buffers of our own.
    std::setvbuf(dump, nullptr, _IONBF, 0);
    std::setvbuf(mem, nullptr, _IONBF, 0);
    std::setvbuf(coe, nullptr, _IONBF, 0);

    conversion result = convert_lines(*state);

    std::fclose(dump);
    const bool mem_written = close_output(state->mem);
    const bool coe_written = close_output(state->coe.out);
    // A bad line or a read error is what the user must hear about first;
    // otherwise a write that did not reach the disk makes the run a failure.
    if (result.result == outcome::done || result.result == outcome::mem_write_failed) {
        if (!mem_written)
            result = {outcome::mem_write_failed, 0};
        else if (!coe_written)
            result = {outcome::coe_write_failed, 0};
    }
    return result;
}

} // namespace tolvane
