-- SPDX-License-Identifier: MIT
-- Run by lsp_neovim_test.py in a headless Neovim: opens the game's dat.dat as code page 932,
-- attaches `tavrin --lsp` with Neovim's own client, waits for the diagnostics, jumps from
-- the caption on line CAPTION_LINE to its label, and writes what it saw to RESULT as JSON.
local tavrin = os.getenv('TAVRIN')
local game = os.getenv('GAME')
local caption_line = tonumber(os.getenv('CAPTION_LINE'))
local result_file = os.getenv('RESULT')
-- A guard against a hang, not a limit on how fast the server answers.
local guard_ms = 60000
local result = {}

local function finish()
  local out = io.open(result_file, 'w')
  out:write(vim.fn.json_encode(result))
  out:close()
  vim.cmd('qa!')
end

local ok, failure = pcall(function()
  vim.cmd('edit ++enc=cp932 ++ff=dos ' .. vim.fn.fnameescape(game .. '/dat.dat'))
  local client = vim.lsp.start_client({ name = 'tavrin', cmd = { tavrin, '--lsp' }, root_dir = game })
  result.attached = vim.lsp.buf_attach_client(0, client)

  result.diagnostics_came = vim.wait(guard_ms, function()
    return #vim.diagnostic.get(0) > 0
  end, 20)
  result.diagnostics = {}
  for _, d in ipairs(vim.diagnostic.get(0)) do
    table.insert(result.diagnostics, { line = d.lnum + 1, severity = d.severity, message = d.message })
  end
  result.offset_encoding = vim.lsp.get_client_by_id(client).offset_encoding

  vim.api.nvim_win_set_cursor(0, { caption_line, 0 })
  vim.lsp.buf.definition()
  result.jumped = vim.wait(guard_ms, function()
    return vim.api.nvim_win_get_cursor(0)[1] ~= caption_line
  end, 20)
  result.cursor_line = vim.api.nvim_win_get_cursor(0)[1]
  result.line_text = vim.api.nvim_get_current_line()

  vim.lsp.stop_client(client)
  result.stopped = vim.wait(guard_ms, function()
    return vim.lsp.get_client_by_id(client) == nil
  end, 20)
end)
if not ok then result.error = tostring(failure) end
finish()
