; JOBTOOL.COM: the few things the image's batch files need that COMMAND.COM
; cannot do. It prints nothing; the answer is the errorlevel.
;
;   jobtool line FILE [LINE ...]
;       0: FILE can be read and holds every LINE as a whole line (a LINE
;          cannot hold blanks; lines end with CR LF, CR, LF, Ctrl-Z or the
;          end of the file); 1: FILE lacks one of them; 2: FILE cannot be
;          read (missing, no such drive, drive not ready).
;   jobtool ren FILE NAME
;       Gives FILE the name NAME in its folder and keeps its attributes:
;       read-only, hidden and system are cleared for the rename and set again
;       afterwards (on FILE again when the rename fails). 0: renamed;
;       1: not renamed (FILE missing or a folder, NAME taken, disk error).
;   jobtool net D
;       0: drive D: is served by a file system redirector (a network drive,
;       or an installable file system such as the NTFS driver); 1: it is a
;       DOS drive of its own; 2: there is no drive D:.
;   jobtool flush
;       Writes DOS's modified disk buffers to disk (a disk cache that hooks
;       the call writes its own too). 0.
;   jobtool menu RECORD FILE NEW SAVED LINEKEY WASKEY SUMKEY
;       Takes a job's lines out of the boot menu FILE. RECORD's lines
;       LINEKEY=TEXT name each line the job wrote, the WASKEY=TEXT line after
;       each the user's line it replaced (empty: the job added the line),
;       the job's entry first; SUMKEY= is the checksum (FNV-1a, 32 bits, 8
;       hex digits) of the user's menu the job saved as SAVED. Lines of FILE
;       end at LF (a CR before it belongs to the end); a line of FILE is one
;       of the job's when, spaces and tabs at both ends dropped and ASCII
;       letters in lower case, it equals one of those TEXTs, and it has at
;       most 255 bytes. Writes NEW (a name in FILE's folder, written over if
;       it is there) as FILE with each line of the job's replaced by the
;       user's line (followed by the spaces and tabs at its own end and its
;       own end) or, where the job added it, dropped with its end; every
;       other byte stays. NEW gets FILE's read-only, hidden and system
;       attributes, and SAVED's too when SAVED is the job's copy (its
;       checksum is the record's).
;       0: NEW written, SAVED is the job's copy; 1: NEW written, SAVED is
;       not the job's copy (or not there); 2: nothing written: RECORD or
;       FILE cannot be read, or NEW cannot be written (what was begun of it
;       is deleted); 4: nothing written: FILE is not the job's lines and the
;       user's (RECORD names no line, the job's entry is not in FILE, a line
;       of the job's is there twice, or FILE holds a zero byte; more than 4
;       lines in RECORD).
;   jobtool value FILE KEY
;       Prints what follows "KEY=" on the first line of FILE that starts so,
;       then CR LF. 0: printed; 1: no such line; 2: FILE cannot be read.
;   jobtool wait SECONDS
;       The last chance before a job: empties the keyboard's buffer, then
;       counts SECONDS (1 to 99) down on the screen, one number a second by
;       the BIOS's clock (INT 1Ah, 18.2 ticks a second), and ends the line.
;       0: the time ran out; 1: a key was pressed (and taken).
;   Anything else: 3.
;
; A critical error (a drive that is not ready) fails the call that met it
; instead of asking Abort, Retry, Fail. Names are tried through the long
; file name functions first (the NTFS driver offers them with -lfn), then
; through the plain DOS ones.

        bits    16
        org     0x100

MAX_WORDS       equ     10              ; verb, file and up to 8 lines
MAX_LINE        equ     128             ; longer lines cannot match a word
LFN_MISSING     equ     0x7100          ; AX after a long-name call DOS lacks
MAX_CHANGES     equ     4               ; the record's lines of the job's in the boot menu
MENU_LINE_BUF   equ     256             ; a line of ours: 255 bytes and a CR
LINE_OURS_MAX   equ     255

start:  cld
        mov     dx, critical_error
        mov     ax, 0x2524              ; DOS puts the old handler back at exit
        int     0x21
        call    split_words
        cmp     word [word_count], 0
        je      usage
        mov     si, [words]             ; the verb, in lower case
.lower: lodsb
        test    al, al
        jz      .lowered
        cmp     al, 'A'
        jb      .lower
        cmp     al, 'Z'
        ja      .lower
        or      byte [si - 1], 0x20
        jmp     .lower
.lowered:
        mov     di, verb_line
        call    is_verb
        je      do_line
        mov     di, verb_ren
        call    is_verb
        je      do_ren
        mov     di, verb_net
        call    is_verb
        je      do_net
        mov     di, verb_flush
        call    is_verb
        je      do_flush
        mov     di, verb_menu
        call    is_verb
        je      do_menu
        mov     di, verb_value
        call    is_verb
        je      do_value
        mov     di, verb_wait
        call    is_verb
        je      do_wait
usage:  mov     al, 3
quit:   test    al, al
        jnz     .code
        cmp     byte [critical_hit], 0
        je      .code
        mov     al, 2                   ; a disk error cannot be a yes
.code:  mov     ah, 0x4C
        int     0x21

; A critical error fails the call (or, where DOS allows no failure, is
; ignored); either way the answer can no longer be 0.
critical_error:
        mov     byte [cs:critical_hit], 1
        test    ah, 0x08                ; may fail?
        mov     al, 3
        jnz     .done
        test    ah, 0x20                ; may ignore?
        jz      .done
        mov     al, 0
.done:  iret

; ZF set when the first word equals the zero-ended text at DI.
is_verb:
        mov     si, [words]
.next:  lodsb
        cmp     al, [di]
        jne     .done
        inc     di
        test    al, al
        jnz     .next
.done:  ret

; Splits the command tail at blanks into zero-ended words.
split_words:
        mov     bl, [0x80]
        xor     bh, bh
        cmp     bl, 126
        jbe     .ended
        mov     bl, 126
.ended: mov     byte [0x81 + bx], 0
        mov     si, 0x81
        xor     bx, bx
.skip:  lodsb
        test    al, al
        jz      .done
        cmp     al, ' '
        je      .skip
        cmp     al, 9
        je      .skip
        cmp     bx, MAX_WORDS * 2
        je      .too_many
        lea     dx, [si - 1]
        mov     [words + bx], dx
        add     bx, 2
.word:  lodsb
        test    al, al
        jz      .done
        cmp     al, ' '
        je      .end
        cmp     al, 9
        jne     .word
.end:   mov     byte [si - 1], 0
        jmp     .skip
.done:  shr     bx, 1
        mov     [word_count], bx
        ret
.too_many:
        mov     word [word_count], 0    ; more words than any verb takes: usage
        ret

; ---- line -----------------------------------------------------------------------

do_line:
        mov     cx, [word_count]
        sub     cx, 2
        jb      usage
        mov     [wanted_count], cx
        mov     al, 1                   ; every line wanted: one bit each
        shl     al, cl
        dec     al
        mov     [all_found], al
        xor     bx, bx                  ; lengths of the wanted lines
.length:
        cmp     bx, cx
        je      .open
        mov     di, bx
        shl     di, 1
        mov     si, [words + 4 + di]
        xor     ax, ax
.count: cmp     byte [si], 0
        je      .counted
        inc     si
        inc     ax
        jmp     .count
.counted:
        mov     [wanted_length + di], ax
        inc     bx
        jmp     .length

.open:  mov     si, [words + 2]
        call    open_read
        jc      unreadable
        mov     [handle], ax

.read:  mov     al, [found]
        cmp     al, [all_found]
        je      .eof                    ; nothing left to look for
        mov     bx, [handle]
        call    read_chunk
        jc      .failed
        jcxz    .eof
.byte:  lodsb
        cmp     al, 13
        je      .line_end
        cmp     al, 10
        je      .line_end
        cmp     al, 26
        je      .line_end
        mov     bx, [line_length]
        cmp     bx, MAX_LINE
        jae     .too_long
        mov     [line + bx], al
        inc     word [line_length]
        jmp     .next
.too_long:
        mov     byte [overlong], 1
        jmp     .next
.line_end:
        call    end_of_line
.next:  loop    .byte
        jmp     .read

.eof:   call    end_of_line             ; a last line without line end
        call    close_file
        mov     al, [found]
        cmp     al, [all_found]
        mov     al, 0
        je      quit
        mov     al, 1
        jmp     quit
.failed:
        call    close_file
unreadable:
        mov     al, 2
        jmp     quit

close_file:
        mov     bx, [handle]
        mov     ah, 0x3E
        int     0x21
        ret

; Reads up to 512 bytes of the file BX into buffer: CX = how many (0 at its
; end), SI = buffer; CF on failure.
read_chunk:
        mov     dx, buffer
        mov     cx, 512
        mov     ah, 0x3F
        int     0x21
        jc      .done
        mov     cx, ax
        mov     si, buffer
.done:  ret

; Marks the wanted lines equal to the line read so far, and starts the next.
end_of_line:
        push    si
        push    cx
        mov     dx, [line_length]
        test    dx, dx
        jz      .reset
        cmp     byte [overlong], 0
        jne     .reset
        xor     bx, bx
.each:  cmp     bx, [wanted_count]
        je      .reset
        mov     di, bx
        shl     di, 1
        mov     cx, [wanted_length + di]
        cmp     cx, dx
        jne     .other
        mov     di, [words + 4 + di]
        mov     si, line
        repe    cmpsb
        jne     .other
        mov     cl, bl
        mov     al, 1
        shl     al, cl
        or      [found], al
.other: inc     bx
        jmp     .each
.reset: mov     word [line_length], 0
        mov     byte [overlong], 0
        pop     cx
        pop     si
        ret

; ---- ren --------------------------------------------------------------------------

do_ren: cmp     word [word_count], 3
        jne     usage
        mov     dx, [words + 2]         ; the new path: FILE's drive and folder, then NAME
        mov     si, [words + 4]
        mov     di, new_path
        call    path_beside

        mov     dx, [words + 2]
        mov     bl, 0
        call    attributes              ; CX = FILE's attributes
        jc      .not_renamed
        test    cl, 0x18                ; a folder or a volume label
        jnz     .not_renamed
        and     cx, 0x27
        mov     [kept], cx
        test    cl, 0x07
        jz      .rename
        and     cl, 0x20                ; read-only, hidden, system off
        mov     bl, 1
        call    attributes
        jc      .not_renamed
.rename:
        mov     dx, [words + 2]
        mov     di, new_path
        mov     ax, 0x7156
        stc
        int     0x21
        jnc     .renamed
        cmp     ax, LFN_MISSING
        jne     .failed
        mov     dx, [words + 2]
        mov     di, new_path
        mov     ah, 0x56
        int     0x21
        jnc     .renamed
.failed:
        mov     dx, [words + 2]         ; FILE keeps its name and gets its
        call    protect                 ; attributes back
.not_renamed:
        mov     al, 1
        jmp     quit
.renamed:
        mov     byte [critical_hit], 0  ; renamed is renamed, whatever follows
        mov     dx, new_path
        call    protect
        mov     byte [critical_hit], 0
        mov     al, 0
        jmp     quit

; Gives the file DX names the kept attributes.
protect:
        mov     cx, [kept]
        test    cl, 0x07
        jz      .done
        mov     bl, 1
        call    attributes
.done:  ret

; Gets (BL = 0; into CX) or sets (BL = 1; from CX) the attributes of the
; file DX names. CF set on failure.
attributes:
        push    cx
        mov     ax, 0x7143
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        jne     .failed
        pop     cx
        push    cx
        mov     al, bl                  ; 4300h get, 4301h set
        mov     ah, 0x43
        int     0x21
        jc      .failed
.done:  test    bl, bl
        jnz     .set
        add     sp, 2                   ; CX holds the answer
        clc
        ret
.set:   pop     cx
        clc
        ret
.failed:
        pop     cx
        stc
        ret

; ---- net ------------------------------------------------------------------------

do_net: cmp     word [word_count], 2
        jne     usage
        mov     si, [words + 2]
        mov     bl, [si]
        or      bl, 0x20
        sub     bl, 'a' - 1
        jbe     usage
        cmp     bl, 26
        ja      usage
        mov     ax, 0x4409              ; is the drive remote?
        int     0x21
        mov     al, 2
        jc      quit
        mov     al, 0
        test    dh, 0x10                ; bit 12: served by a redirector
        jnz     quit
        mov     al, 1
        jmp     quit

; ---- flush ------------------------------------------------------------------------

do_flush:
        cmp     word [word_count], 1
        jne     usage
        mov     ah, 0x0D
        int     0x21
        mov     al, 0
        jmp     quit

; ---- menu -----------------------------------------------------------------------

do_menu:
        cmp     word [word_count], 8
        jne     usage
        mov     dx, [words + 4]         ; NEW and SAVED, in FILE's folder
        mov     si, [words + 6]
        mov     di, new_path
        call    path_beside
        mov     si, [words + 8]
        mov     di, saved_path
        call    path_beside

        mov     si, [words + 2]         ; the record's lines
        call    open_read
        jc      unreadable
        mov     [handle], ax
        mov     byte [pass], 0
        call    read_lines
        pushf
        call    close_file
        popf
        jc      unreadable
        cmp     byte [too_many], 0
        jne     not_ours
        cmp     word [change_count], 0
        je      not_ours

        mov     si, [words + 4]         ; the menu: the job's lines and the user's?
        call    open_read
        jc      unreadable
        mov     [handle], ax
        mov     byte [pass], 1
        call    read_lines
        jc      menu_unreadable
        cmp     byte [zero_seen], 0
        jne     menu_not_ours
        cmp     byte [change_seen], 0   ; the job's entry
        je      menu_not_ours
        xor     bx, bx
.twice: cmp     bx, [change_count]
        je      .once
        cmp     byte [change_seen + bx], 1
        ja      menu_not_ours
        inc     bx
        jmp     .twice
.once:  mov     bx, [handle]            ; back to its start
        mov     ax, 0x4200
        xor     cx, cx
        xor     dx, dx
        int     0x21
        jc      menu_unreadable

        call    saved_is_ours
        mov     dx, [words + 4]         ; the attributes NEW gets
        mov     bl, 0
        call    attributes
        jc      menu_unreadable
        and     cx, 0x07
        mov     [kept], cx
        cmp     byte [saved_ours], 0
        je      .create
        mov     dx, saved_path
        mov     bl, 0
        call    attributes
        jc      .create
        and     cx, 0x07
        or      [kept], cx
.create:
        mov     dx, new_path            ; one left from an earlier try is written over
        xor     cx, cx
        mov     bl, 1
        call    attributes
        mov     si, new_path
        call    create_file
        jc      menu_unreadable
        mov     [out_handle], ax
        mov     byte [pass], 2
        call    read_lines
        jc      .write_failed
        call    flush_out
        jnc     .close_new
.write_failed:
        mov     byte [write_failed], 1
.close_new:
        mov     bx, [out_handle]
        mov     ah, 0x3E
        int     0x21
        jnc     .closed
        mov     byte [write_failed], 1
.closed:
        call    close_file
        cmp     byte [write_failed], 0
        jne     .drop
        mov     cx, [kept]
        or      cx, 0x20
        mov     dx, new_path
        mov     bl, 1
        call    attributes
        jc      .drop
        mov     al, 1
        cmp     byte [saved_ours], 0
        je      quit
        mov     al, 0
        jmp     quit
.drop:  call    delete_new
        jmp     unreadable

menu_unreadable:
        call    close_file
        jmp     unreadable
menu_not_ours:
        call    close_file
not_ours:
        mov     al, 4
        jmp     quit

; DI = the path of the name SI in the folder of the file DX names.
path_beside:
        push    si
        mov     si, dx
        mov     bx, di                  ; where the name goes
.path:  lodsb
        stosb
        test    al, al
        jz      .name
        cmp     al, '\'
        je      .folder
        cmp     al, ':'
        jne     .path
.folder:
        mov     bx, di
        jmp     .path
.name:  mov     di, bx
        pop     si
.copy:  lodsb
        stosb
        test    al, al
        jnz     .copy
        ret

; Opens the file SI names for reading (an existing file only): AX = its
; handle; CF on failure.
open_read:
        mov     ax, 0x716C
        xor     bx, bx
        xor     cx, cx
        mov     dx, 1
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        jne     .failed
        mov     dx, si
        mov     ax, 0x3D00
        int     0x21
        ret
.failed:
        stc
.done:  ret

; Creates the file SI names, or empties it, for writing: AX = its handle; CF on failure.
create_file:
        mov     ax, 0x716C
        mov     bx, 1
        xor     cx, cx
        mov     dx, 0x12                ; empty it when it is there, else create it
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        jne     .failed
        mov     dx, si
        xor     cx, cx
        mov     ah, 0x3C
        int     0x21
        ret
.failed:
        stc
.done:  ret

; Deletes what was begun of NEW.
delete_new:
        mov     dx, new_path
        xor     cx, cx
        mov     bl, 1
        call    attributes
        mov     dx, new_path
        xor     si, si
        xor     cx, cx
        mov     ax, 0x7141
        stc
        int     0x21
        jnc     .done
        cmp     ax, LFN_MISSING
        jne     .done
        mov     dx, new_path
        mov     ah, 0x41
        int     0x21
.done:  ret

; Reads the file [handle] to its end and hands each line to line_done: its
; text in menu_line, menu_length long, its end in end_cr and end_lf. A line
; too long to be the job's goes out as it is (in the writing pass). CF on a
; read or write failure.
read_lines:
        mov     word [menu_length], 0
        mov     byte [menu_overlong], 0
        mov     byte [zero_seen], 0
.read:  mov     bx, [handle]
        call    read_chunk
        jc      .failed
        jcxz    .eof
.byte:  lodsb
        test    al, al
        jnz     .not_zero
        mov     byte [zero_seen], 1
.not_zero:
        cmp     al, 10
        je      .lf
        cmp     byte [menu_overlong], 0
        jne     .out
        mov     bx, [menu_length]
        cmp     bx, MENU_LINE_BUF
        jb      .keep
        push    ax
        call    spill
        pop     ax
        jc      .failed
        mov     byte [menu_overlong], 1
.out:   call    put_byte
        jc      .failed
        jmp     .next
.keep:  mov     [menu_line + bx], al
        inc     word [menu_length]
        jmp     .next
.lf:    call    line_ended
        jc      .failed
.next:  loop    .byte
        jmp     .read
.eof:   cmp     byte [menu_overlong], 0
        jne     .done
        cmp     word [menu_length], 0
        je      .done
        mov     byte [end_cr], 0        ; a last line without its end
        mov     byte [end_lf], 0
        call    line_done
        jc      .failed
.done:  clc
        ret
.failed:
        stc
        ret

; A line feed came: the line so far ends (with the CR before it, if any).
line_ended:
        push    cx
        push    si
        mov     byte [end_lf], 1
        mov     byte [end_cr], 0
        cmp     byte [menu_overlong], 0
        je      .whole
        mov     byte [menu_overlong], 0
        mov     al, 10
        call    put_byte
        jmp     .done
.whole: mov     bx, [menu_length]
        test    bx, bx
        jz      .text
        cmp     byte [menu_line + bx - 1], 13
        jne     .text
        dec     word [menu_length]
        mov     byte [end_cr], 1
.text:  call    line_done
.done:  mov     word [menu_length], 0
        pop     si
        pop     cx
        ret

; One line: the record's (pass 0), counted (pass 1) or written (pass 2).
line_done:
        cmp     byte [pass], 0
        je      record_line
        call    change_of
        cmp     byte [pass], 1
        jne     .write
        cmp     ax, 0xFFFF
        je      .counted
        mov     bx, ax
        cmp     byte [change_seen + bx], 2
        jae     .counted
        inc     byte [change_seen + bx]
.counted:
        clc
        ret
.write: cmp     ax, 0xFFFF
        jne     .ours
        mov     si, menu_line
        mov     cx, [menu_length]
        call    put_bytes
        jc      .done
        jmp     put_end
.ours:  mov     bx, ax
        shl     bx, 1
        mov     cx, [change_was_len + bx]
        jcxz    .dropped                ; the job added it: it goes with its end
        mov     si, ax
        shl     si, 8
        add     si, change_was
        call    put_bytes
        jc      .done
        mov     si, [trail_at]          ; the spaces at its end stay
        mov     cx, menu_line
        add     cx, [menu_length]
        sub     cx, si
        call    put_bytes
        jc      .done
        jmp     put_end
.dropped:
        clc
.done:  ret

put_end:
        cmp     byte [end_cr], 0
        je      .lf
        mov     al, 13
        call    put_byte
        jc      .done
.lf:    cmp     byte [end_lf], 0
        je      .none
        mov     al, 10
        jmp     put_byte
.none:  clc
.done:  ret

; AX = which of the record's lines the line in menu_line is (0xFFFF: none);
; trail_at = where the spaces and tabs at its end begin.
change_of:
        mov     cx, [menu_length]
        cmp     cx, LINE_OURS_MAX
        ja      .none
        mov     si, menu_line
        mov     di, menu_line
        add     di, cx
.lead:  cmp     si, di
        je      .trail
        mov     bl, [si]
        call    is_blank
        jne     .trail
        inc     si
        jmp     .lead
.trail: cmp     di, si
        je      .trimmed
        mov     bl, [di - 1]
        call    is_blank
        jne     .trimmed
        dec     di
        jmp     .trail
.trimmed:
        mov     [trail_at], di
        mov     dx, di
        sub     dx, si                  ; the folded length
        xor     bx, bx
.each:  cmp     bx, [change_count]
        je      .none
        mov     di, bx
        shl     di, 1
        cmp     dx, [change_line_len + di]
        jne     .other
        push    si
        mov     di, bx
        shl     di, 8
        add     di, change_line
        mov     cx, dx
.compare:
        jcxz    .same
        mov     al, [si]
        call    lower
        cmp     al, [di]
        jne     .differ
        inc     si
        inc     di
        dec     cx
        jmp     .compare
.same:  pop     si
        mov     ax, bx
        ret
.differ:
        pop     si
.other: inc     bx
        jmp     .each
.none:  mov     ax, 0xFFFF
        ret

; ZF set when BL is a space or a tab.
is_blank:
        cmp     bl, ' '
        je      .done
        cmp     bl, 9
.done:  ret

; AL in lower case (ASCII letters).
lower:  cmp     al, 'A'
        jb      .done
        cmp     al, 'Z'
        ja      .done
        or      al, 0x20
.done:  ret

; A line of the record (spaces at its end dropped, as the program reads it):
; LINEKEY=TEXT adds a line of the job's (folded), WASKEY=TEXT gives the last
; one the user's line, SUMKEY=X the checksum.
record_line:
        mov     cx, [menu_length]
.trim:  jcxz    .trimmed
        mov     bx, cx
        cmp     byte [menu_line + bx - 1], ' '
        jne     .trimmed
        dec     cx
        jmp     .trim
.trimmed:
        mov     [value_end], cx
        mov     di, [words + 10]
        call    key_value
        jc      .was
        mov     bx, [change_count]
        cmp     bx, MAX_CHANGES
        jb      .add
        mov     byte [too_many], 1
        clc
        ret
.add:   call    fold_range
        mov     di, bx
        shl     di, 8
        add     di, change_line
        shl     bx, 1
        mov     [change_line_len + bx], cx
        mov     word [change_was_len + bx], 0
.copy:  jcxz    .added
        lodsb
        call    lower
        stosb
        loop    .copy
.added: inc     word [change_count]
        clc
        ret
.was:   mov     di, [words + 12]
        call    key_value
        jc      .sum
        mov     bx, [change_count]
        test    bx, bx
        jz      .done
        dec     bx
        mov     di, bx
        shl     di, 8
        add     di, change_was
        shl     bx, 1
        mov     [change_was_len + bx], cx
        rep     movsb
        clc
        ret
.sum:   mov     di, [words + 14]
        call    key_value
        jc      .done
        call    parse_sum
.done:  clc
        ret

; CF clear when menu_line (value_end long) starts with the zero-ended key at
; DI and "=": SI = the value, CX = its length.
key_value:
        mov     si, menu_line
        mov     cx, [value_end]
.key:   mov     al, [di]
        test    al, al
        jz      .equals
        jcxz    .no
        cmp     al, [si]
        jne     .no
        inc     si
        inc     di
        dec     cx
        jmp     .key
.equals:
        jcxz    .no
        cmp     byte [si], '='
        jne     .no
        inc     si
        dec     cx
        clc
        ret
.no:    stc
        ret

; SI, CX without the spaces and tabs at both ends.
fold_range:
        push    bx
.lead:  jcxz    .done
        mov     bl, [si]
        call    is_blank
        jne     .trail
        inc     si
        dec     cx
        jmp     .lead
.trail: jcxz    .done
        mov     bx, si
        add     bx, cx
        mov     bl, [bx - 1]
        call    is_blank
        jne     .done
        dec     cx
        jmp     .trail
.done:  pop     bx
        ret

; SI, CX: 8 upper-case hex digits, the checksum the record keeps.
parse_sum:
        cmp     cx, 8
        jne     .done
        xor     edx, edx
.digit: lodsb
        sub     al, '0'
        cmp     al, 9
        jbe     .add
        sub     al, 'A' - '0' - 10
        cmp     al, 10
        jb      .done
        cmp     al, 15
        ja      .done
.add:   shl     edx, 4
        or      dl, al
        loop    .digit
        mov     [sum_want], edx
        mov     byte [have_sum], 1
.done:  ret

; saved_ours = 1 when SAVED's checksum (FNV-1a, 32 bits) is the record's.
saved_is_ours:
        mov     byte [saved_ours], 0
        cmp     byte [have_sum], 0
        je      .done
        mov     si, saved_path
        call    open_read
        jc      .done
        mov     [handle2], ax
        mov     dword [hash], 0x811C9DC5
.read:  mov     bx, [handle2]
        call    read_chunk
        jc      .close
        jcxz    .compare
        mov     edx, [hash]
.byte:  movzx   eax, byte [si]
        inc     si
        xor     edx, eax
        imul    edx, edx, 0x01000193
        loop    .byte
        mov     [hash], edx
        jmp     .read
.compare:
        mov     edx, [hash]
        cmp     edx, [sum_want]
        jne     .close
        mov     byte [saved_ours], 1
.close: mov     bx, [handle2]
        mov     ah, 0x3E
        int     0x21
.done:  ret

; The writing pass's output: AL, or CX bytes at SI, go to NEW through
; out_buffer. Nothing in the other passes. CF on a write failure; every
; register but flags is kept (put_byte: AL too).
put_byte:
        cmp     byte [pass], 2
        jne     .none
        push    bx
        mov     bx, [out_length]
        mov     [out_buffer + bx], al
        inc     bx
        mov     [out_length], bx
        cmp     bx, 512
        pop     bx
        jae     flush_out
.none:  clc
        ret

put_bytes:
        push    ax
        push    cx
        push    si
.next:  jcxz    .done
        lodsb
        call    put_byte
        jc      .failed
        dec     cx
        jmp     .next
.done:  clc
.failed:
        pop     si
        pop     cx
        pop     ax
        ret

; The line so far goes out as it is.
spill:  push    cx
        push    si
        mov     si, menu_line
        mov     cx, [menu_length]
        call    put_bytes
        mov     word [menu_length], 0
        pop     si
        pop     cx
        ret

flush_out:
        push    ax
        push    bx
        push    cx
        push    dx
        mov     cx, [out_length]
        jcxz    .written
        mov     bx, [out_handle]
        mov     dx, out_buffer
        mov     ah, 0x40
        int     0x21
        jc      .failed
        cmp     ax, cx
        jne     .failed                 ; the disk is full
        mov     word [out_length], 0
.written:
        clc
        jmp     .done
.failed:
        stc
.done:  pop     dx
        pop     cx
        pop     bx
        pop     ax
        ret


; ---- value -----------------------------------------------------------------------

do_value:
        cmp     word [word_count], 3
        jne     usage
        mov     si, [words + 4]         ; the wanted start: KEY and "="
        mov     di, prefix
        xor     cx, cx
.key:   lodsb
        test    al, al
        jz      .keyed
        stosb
        inc     cx
        cmp     cx, MAX_LINE - 1
        jae     usage
        jmp     .key
.keyed: mov     al, '='
        stosb
        inc     cx
        mov     [prefix_length], cx
        mov     si, [words + 2]
        call    open_read
        jc      unreadable
        mov     [handle], ax
.read:  mov     bx, [handle]
        call    read_chunk
        jc      .failed
        jcxz    .eof
.byte:  lodsb
        cmp     al, 13
        je      .line_end
        cmp     al, 10
        je      .line_end
        cmp     al, 26
        je      .line_end
        mov     bx, [line_length]
        cmp     bx, MAX_LINE
        jae     .next                   ; a longer value is cut, never a wrong one
        mov     [line + bx], al
        inc     word [line_length]
        jmp     .next
.line_end:
        call    show_if_wanted
        jnc     .shown
.next:  loop    .byte
        jmp     .read
.eof:   call    show_if_wanted
        jnc     .shown
        call    close_file
        mov     al, 1
        jmp     quit
.shown: call    close_file
        mov     al, 0
        jmp     quit
.failed:
        call    close_file
        jmp     unreadable

; When the line read so far starts with the wanted prefix, prints the rest
; and CR LF (CF clear); else starts the next line (CF set).
show_if_wanted:
        push    si
        push    cx
        mov     cx, [prefix_length]
        cmp     [line_length], cx
        jb      .other
        mov     si, prefix
        mov     di, line
        repe    cmpsb
        jne     .other
        mov     si, line
        add     si, [prefix_length]
        mov     cx, [line_length]
        sub     cx, [prefix_length]
        jcxz    .ended
.print: lodsb
        mov     dl, al
        mov     ah, 0x02
        int     0x21
        loop    .print
.ended: mov     si, crlf
        call    print_text
        pop     cx
        pop     si
        clc
        ret
.other: mov     word [line_length], 0
        pop     cx
        pop     si
        stc
        ret

; Prints the zero-ended text at SI.
print_text:
        lodsb
        test    al, al
        jz      .done
        mov     dl, al
        mov     ah, 0x02
        int     0x21
        jmp     print_text
.done:  ret

; ---- wait -------------------------------------------------------------------------

TICKS_PER_TEN_SECONDS   equ     182     ; the BIOS clock: 18.2 ticks a second

do_wait:
        cmp     word [word_count], 2
        jne     usage
        mov     si, [words + 2]         ; SECONDS, 1 to 99
        xor     ax, ax
        xor     cx, cx
.digit: mov     bl, [si]
        inc     si
        test    bl, bl
        jz      .parsed
        sub     bl, '0'
        cmp     bl, 9
        ja      usage
        mov     dx, 10
        mul     dx
        add     al, bl
        adc     ah, 0
        inc     cx
        cmp     cx, 2
        ja      usage
        jmp     .digit
.parsed:
        test    ax, ax
        jz      usage
        mov     [seconds], ax
        mov     dx, TICKS_PER_TEN_SECONDS  ; ticks to wait: seconds * 18.2
        mul     dx
        mov     bx, 10
        div     bx
        mov     [ticks_total], ax
.flush: mov     ah, 0x01                ; keys pressed before the count do not count
        int     0x16
        jz      .counting
        mov     ah, 0x00
        int     0x16
        jmp     .flush
.counting:
        mov     ah, 0x00
        int     0x1A
        mov     [last_tick], dx
        mov     word [elapsed], 0
        mov     word [shown], 0xFFFF
.loop:  ; seconds left: seconds - elapsed * 10 / 182, shown once each
        mov     ax, [elapsed]
        mov     dx, 10
        mul     dx
        mov     bx, TICKS_PER_TEN_SECONDS
        div     bx
        mov     dx, [seconds]
        sub     dx, ax
        jbe     .time_out
        cmp     dx, [shown]
        je      .key
        mov     [shown], dx
        call    print_number
.key:   mov     ah, 0x01
        int     0x16
        jnz     .pressed
        sti                             ; the clock ticks by its interrupt
        mov     ah, 0x00
        int     0x1A
        mov     ax, dx
        sub     ax, [last_tick]
        mov     [last_tick], dx
        cmp     ax, 18 * 60             ; midnight turned the count back: a tick
        jbe     .add
        mov     ax, 1
.add:   add     [elapsed], ax
        mov     ax, [elapsed]
        cmp     ax, [ticks_total]
        jb      .loop
.time_out:
        mov     si, crlf
        call    print_text
        mov     al, 0
        jmp     quit
.pressed:
        mov     ah, 0x00
        int     0x16
        mov     si, crlf
        call    print_text
        mov     al, 1
        jmp     quit

; Prints DX (0 to 99) and a space.
print_number:
        mov     ax, dx
        mov     bl, 10
        div     bl                      ; AL tens, AH ones
        push    ax
        test    al, al
        jz      .ones
        add     al, '0'
        mov     dl, al
        mov     ah, 0x02
        int     0x21
.ones:  pop     ax
        mov     dl, ah
        add     dl, '0'
        mov     ah, 0x02
        int     0x21
        mov     dl, ' '
        mov     ah, 0x02
        int     0x21
        ret

pass:           db 0                    ; 0 the record, 1 counting, 2 writing
zero_seen:      db 0
too_many:       db 0
have_sum:       db 0
saved_ours:     db 0
write_failed:   db 0
end_cr:         db 0
end_lf:         db 0
menu_overlong:  db 0
change_seen:    times MAX_CHANGES db 0
change_count:   dw 0
menu_length:    dw 0
out_length:     dw 0

verb_line:      db "line", 0
verb_value:     db "value", 0
verb_wait:      db "wait", 0
crlf:           db 13, 10, 0
verb_ren:       db "ren", 0
verb_net:       db "net", 0
verb_flush:     db "flush", 0
verb_menu:      db "menu", 0

critical_hit:   db 0
found:          db 0
overlong:       db 0
line_length:    dw 0

section .bss
word_count:     resw 1
words:          resw MAX_WORDS
wanted_count:   resw 1
wanted_length:  resw MAX_WORDS
all_found:      resb 1
handle:         resw 1
kept:           resw 1
line:           resb MAX_LINE
new_path:       resb 260
buffer:         resb 512
; menu
saved_path:     resb 260
menu_line:      resb MENU_LINE_BUF
change_line:    resb MAX_CHANGES * 256  ; folded
change_line_len: resw MAX_CHANGES
change_was:     resb MAX_CHANGES * 256
change_was_len: resw MAX_CHANGES
out_buffer:     resb 512
out_handle:     resw 1
handle2:        resw 1
trail_at:       resw 1
value_end:      resw 1
sum_want:       resd 1
hash:           resd 1
prefix:         resb MAX_LINE
prefix_length:  resw 1
seconds:        resw 1
ticks_total:    resw 1
last_tick:      resw 1
elapsed:        resw 1
shown:          resw 1
