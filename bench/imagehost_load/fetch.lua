-- wrk script: fetches of one stored image; prints one result line.
function done(summary, latency, requests)
  local seconds = summary.duration / 1e6
  -- A server that closes the connection after each reply (PHP's) gives a
  -- read error per request: the reply itself was whole.
  local failed = summary.errors.connect + summary.errors.write + summary.errors.status + summary.errors.timeout
  io.write(string.format("RESULT %s rate=%.1f p50=%.1f p99=%.1f requests=%d accepted=%d errors=%d\n",
    os.getenv("BENCH_LABEL"), (summary.requests - failed) / seconds, latency:percentile(50) / 1000,
    latency:percentile(99) / 1000, summary.requests, summary.requests - failed, failed))
end
