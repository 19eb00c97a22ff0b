-- wrk script: uploads of one JPEG as the form field "fichier", each made
-- unique by a comment segment that carries a number, so that every stored
-- file can be traced to the one upload it came from.
--
-- Environment: BENCH_JPEG (the JPEG), BENCH_OUT (a folder: each thread writes
-- the names of its successful uploads to accepted-<thread>.txt), BENCH_RUN
-- (a number from 1 to 9 that sets this run's uploads apart from the other
-- runs'), BENCH_LABEL (the label of the result line).

local boundary = "vitrixbench7d1e4a0c"
local threads = {}

function setup(thread)
  thread:set("index", #threads + 1)
  table.insert(threads, thread)
end

local head, rest, prefix, suffix, accepted, counter, run
-- Globals, read by done() through thread:get.
answered = 0

function init(args)
  local file = assert(io.open(os.getenv("BENCH_JPEG"), "rb"))
  local jpeg = file:read("*a")
  file:close()
  head = jpeg:sub(1, 2)
  rest = jpeg:sub(3)
  prefix = "--" .. boundary .. "\r\n"
    .. "Content-Disposition: form-data; name=\"fichier\"; filename=\"capture.jpg\"\r\n"
    .. "Content-Type: image/jpeg\r\n\r\n"
  suffix = "\r\n--" .. boundary .. "--\r\n"
  accepted = assert(io.open(os.getenv("BENCH_OUT") .. "/accepted-" .. index .. ".txt", "w"))
  counter = 0
  answered = 0
  run = tonumber(os.getenv("BENCH_RUN"))
end

-- The comment segment: FF FE, its length (2 + 24) and "vitrix-bench NNNNNNNNNNN".
local function tagged(id)
  local text = string.format("vitrix-bench %011d", id)
  return head .. "\255\254\0\26" .. text .. rest
end

function request()
  counter = counter + 1
  local body = prefix .. tagged(run * 1000000000 + index * 100000000 + counter) .. suffix
  return wrk.format("POST", nil, {["Content-Type"] = "multipart/form-data; boundary=" .. boundary}, body)
end

function response(status, headers, body)
  local location = headers["Location"] or headers["location"]
  if status == 302 and location then
    local name = location:match("image=([0-9a-f]+%.jpg)$")
    if name then
      answered = answered + 1
      accepted:write(name, "\n")
      accepted:flush()
    end
  end
end

-- Failures count errors other than the server closing after a reply (PHP's
-- built-in server closes every connection).
function done(summary, latency, requests)
  local accepted_count = 0
  for _, thread in ipairs(threads) do
    accepted_count = accepted_count + (thread:get("answered") or 0)
  end
  local seconds = summary.duration / 1e6
  io.write(string.format("RESULT %s rate=%.1f p50=%.1f p99=%.1f requests=%d accepted=%d errors=%d\n",
    os.getenv("BENCH_LABEL"), accepted_count / seconds, latency:percentile(50) / 1000,
    latency:percentile(99) / 1000, summary.requests, accepted_count,
    summary.errors.connect + summary.errors.write + summary.errors.status + summary.errors.timeout))
end
